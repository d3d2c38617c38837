#pragma once

#include "Category.h"
#include "SystemClipboard.h"

#include <QWidget>

class CategoryPicker;
class CategorySearch;
class CategoryView;
class ClearConfirmation;
class ClipboardManager;
class IconLabel;
class Preferences;
class QLabel;
class QPushButton;
class QTimer;
class RecordSelectionRow;
class SaveDialog;
class ToggleSwitch;

// The panel's main view: the category switch, privacy mode, the chosen category's
// list, export and clear. One search goes through every category: it stays when
// another is chosen, and each segment tells its category's matches. While it is shown the history
// polls the clipboard once more per interval.
class ContentView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentView)

public:
    static constexpr int viewWidth = 350;
    static constexpr int viewHeight = 450;
    static constexpr int listHeight = 300;

    static constexpr int exportFailureShownMs = 8000;
    // What the list area keeps when the panel must be shorter than usual.
    static constexpr int minimumListHeight = 80;

    // `reach` is how much of the user's copying the clipboard sees; where it is
    // not everything, the view says so.
    ContentView(ClipboardManager &manager, Preferences &preferences, SaveDialog &saveDialog,
                ClipboardReach reach = ClipboardReach::Everything, QWidget *parent = nullptr);
    ~ContentView() override;

    Category selectedCategory() const { return m_selectedCategory; }
    CategoryView *categoryView() const { return m_list; }
    bool isClearConfirmationShown() const;

    // The first and last controls in Tab order, for the frame around this view;
    // the first is the chosen category's segment, the segments' one stop.
    QWidget *firstFocusable() const;
    QWidget *lastFocusable() const;

    // At a fixed size the view is the usual one, but with a list area `height`
    // high (at least minimumListHeight): the list gives up height first. A
    // resizable view gives its list whatever size it has beyond its minimum.
    void setListHeight(int height);
    void setResizable(bool resizable);
    bool isResizable() const { return m_resizable; }

    // Adds the "Record Selected Text" switch below Privacy Mode; `available` says
    // whether the session's selection can be read at all.
    RecordSelectionRow *addRecordSelection(bool available);
signals:
    // A row was chosen with Return and copied: a popup has done its job.
    void itemChosen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    CategoryView *makeList(Category category);
    void selectCategory(Category category);
    // Alt+1, 2, 3 and Ctrl+(Shift+)Tab: the segment follows.
    void chooseCategoryByKey(Category category);
    void chooseNeighbourCategory(int step);
    void updateTabOrder();
    void showPrivacyMode(bool on);
    void showClearConfirmation();
    void showExportFailure(const QString &message);
    void applyListSize();

    ClipboardManager &m_manager;
    Preferences &m_preferences;
    SaveDialog &m_saveDialog;
    Category m_selectedCategory = Category::Url;
    bool m_monitoringWhileShown = false;
    int m_listHeight = listHeight;
    bool m_resizable = false;

    CategorySearch *m_search;
    CategoryPicker *m_picker;
    IconLabel *m_privacyLabel;
    ToggleSwitch *m_privacySwitch;
    RecordSelectionRow *m_selectionRow = nullptr;
    CategoryView *m_list = nullptr;
    QPushButton *m_exportButton;
    QPushButton *m_clearButton;
    QLabel *m_exportFailure;
    QTimer *m_exportFailureTimer;
    ClearConfirmation *m_confirmation;
};
