#include "ClearConfirmation.h"

#include "ClipboardManager.h"

ClearConfirmation::ClearConfirmation(ClipboardManager &manager, QWidget *parent)
    : ConfirmationCard({tr("Clear History"),
                        tr("Are you sure you want to clear all clipboard history? "
                           "This action cannot be undone."),
                        tr("Clear")},
                       QStringLiteral("clearConfirmation"), QStringLiteral("confirmCancelButton"),
                       QStringLiteral("confirmClearButton"), parent),
      m_manager(manager)
{
    connect(this, &ConfirmationCard::confirmed, &manager, &ClipboardManager::clearHistory);
}

void ClearConfirmation::aboutToPresent()
{
    setNote(m_manager.hasPinnedItems() ? tr("Pinned items are kept.") : QString());
}
