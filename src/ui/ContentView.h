#pragma once

#include <QWidget>

class CategoryPicker;
class CategoryView;
class ClearConfirmation;
class Clipboard;
class ClipboardManager;
class IconLabel;
class PreferencesStore;
class QPushButton;
class SaveDialog;
class ToggleSwitch;

// The panel's main view: the category switch, privacy mode, the chosen category's
// list, export and clear. It owns the one ClipboardManager of the program, so
// capture runs for as long as this view exists, shown or not.
class ContentView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentView)

public:
    static constexpr int viewWidth = 350;
    static constexpr int viewHeight = 450;
    static constexpr int listHeight = 300;

    ContentView(Clipboard &clipboard, PreferencesStore &store, SaveDialog &saveDialog,
                QWidget *parent = nullptr);
    ~ContentView() override;

    ClipboardManager &manager() const { return *m_manager; }
    // "URL", "Code" or "Text".
    QString selectedCategory() const { return m_selectedCategory; }
    CategoryView *categoryView() const { return m_list; }
    bool isClearConfirmationShown() const;

    // The first and last controls in Tab order, for the frame around this view.
    QWidget *firstFocusable() const;
    QWidget *lastFocusable() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void selectCategory(const QString &name);
    void updateTabOrder();
    void showPrivacyMode(bool on);
    void showClearConfirmation();

    ClipboardManager *m_manager;
    PreferencesStore &m_store;
    SaveDialog &m_saveDialog;
    QString m_selectedCategory;
    bool m_monitoringWhileShown = false;

    CategoryPicker *m_picker;
    IconLabel *m_privacyLabel;
    ToggleSwitch *m_privacySwitch;
    CategoryView *m_list = nullptr;
    QPushButton *m_exportButton;
    QPushButton *m_clearButton;
    ClearConfirmation *m_confirmation;
};
