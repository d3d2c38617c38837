#pragma once

#include "ConfirmationCard.h"

class ClipboardManager;

// Asks before all history is cleared, with "Cancel" and "Clear"; says that
// pinned items stay when there are any.
class ClearConfirmation final : public ConfirmationCard
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClearConfirmation)

public:
    ClearConfirmation(ClipboardManager &manager, QWidget *parent);

protected:
    void aboutToPresent() override;

private:
    ClipboardManager &m_manager;
};
