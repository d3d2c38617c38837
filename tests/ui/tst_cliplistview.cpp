#include "ClipListView.h"
#include "FakeTextList.h"
#include "PreviewPanel.h"
#include "SearchFilterModel.h"
#include "TextSelectionModel.h"

#include <QPointer>
#include <QTest>

#include <QVariantAnimation>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QEasingCurve cubicBezier(qreal x1, qreal y1, qreal x2, qreal y2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(x1, y1), QPointF(x2, y2), QPointF(1, 1));
    return curve;
}

} // namespace

// The list view on its own, over a list of texts through the search filter, with
// the selection over the list: how rows move by the kind of change, and how the
// preview follows its row.
class ClipListViewTest final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_list =
            std::make_unique<FakeTextList>(QStringList{u"one"_s, u"two"_s, u"three"_s, u"four"_s});
        m_filter = std::make_unique<SearchFilterModel>();
        m_filter->setSourceModel(m_list.get());
        m_selection = std::make_unique<TextSelectionModel>(m_list.get());
        m_view = std::make_unique<ClipListView>();
        m_view->setModel(m_filter.get());
        m_view->setPreviewSelection(m_selection.get());
        m_view->resize(350, 500);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }
    void cleanup()
    {
        m_view.reset();
        m_selection.reset();
        m_filter.reset();
        m_list.reset();
    }

    void rowsComingIn_easeInOutOver300ms()
    {
        const int settledHeight = m_view->rowRect(0).height();
        m_list->insert(0, {u"new"_s});
        const auto entering = m_view->findChildren<QVariantAnimation *>(u"rowEntering"_s);
        QCOMPARE(entering.size(), 1);
        QCOMPARE(entering.first()->duration(), 300);
        QCOMPARE(entering.first()->easingCurve(), cubicBezier(0.42, 0, 0.58, 1));
        QVERIFY(m_view->isAnimating());
        // It grows from nothing: the row under it has not moved down yet.
        QVERIFY(m_view->rowRect(1).top() < m_view->rowRect(0).top() + settledHeight);
        QTRY_VERIFY(!m_view->isAnimating());
        QCOMPARE(m_view->rowRect(1).top(), m_view->rowRect(0).top() + settledHeight);
    }

    void rowsGoing_easeOutOver200ms()
    {
        const QRect first = m_view->rowRect(0);
        m_list->remove(0, 0);
        const auto leaving = m_view->findChildren<QVariantAnimation *>(u"rowsLeaving"_s);
        QCOMPARE(leaving.size(), 1);
        QCOMPARE(leaving.first()->duration(), 200);
        QCOMPARE(leaving.first()->easingCurve(), cubicBezier(0, 0, 0.58, 1));
        // The gap closes from where the row was.
        QCOMPARE(m_view->rowRect(0).top(), first.bottom() + 1);
        QTRY_VERIFY(!m_view->isAnimating());
        QCOMPARE(m_view->rowRect(0), first);
    }

    void replacedList_showsItsRowsAtOnce()
    {
        m_list->replaceAll({u"five"_s, u"one"_s, u"six"_s});
        QVERIFY(!m_view->isAnimating());
        QVERIFY(m_view->findChildren<QVariantAnimation *>(u"rowEntering"_s).isEmpty());
        QVERIFY(m_view->findChildren<QVariantAnimation *>(u"rowsLeaving"_s).isEmpty());
        QCOMPARE(m_view->model()->rowCount(), 3);
        QCOMPARE(m_view->rowRect(1).top(), m_view->rowRect(0).bottom() + 1);
    }

    void newRowAbove_movesThePreviewAlongWithoutClosingIt()
    {
        m_selection->select(m_list->index(1), QItemSelectionModel::ClearAndSelect);
        QTRY_VERIFY(!m_view->isAnimating());
        const QPointer<PreviewPanel> panel = m_view->preview();
        QVERIFY(panel);
        QCOMPARE(panel->text(), u"two"_s);
        m_list->insert(0, {u"new"_s});
        QCOMPARE(m_view->preview(), panel.data());
        QTRY_VERIFY(!m_view->isAnimating());
        QCOMPARE(m_view->preview(), panel.data());
        QVERIFY(m_view->rowRect(2).contains(panel->geometry().center()));
    }

    void deletingTheRowWithThePreview_takesThePreviewAlong()
    {
        m_selection->select(m_list->index(1), QItemSelectionModel::ClearAndSelect);
        QTRY_VERIFY(!m_view->isAnimating());
        m_list->remove(1, 1);
        // The row's picture, preview included, fades while its gap closes; no
        // panel is left to fade on its own.
        QVERIFY(!m_view->preview());
        QVERIFY(!m_view->findChild<PreviewPanel *>(u"closingPreview"_s));
        QTRY_VERIFY(!m_view->isAnimating());
        QCOMPARE(m_view->rowRect(1).top(), m_view->rowRect(0).bottom() + 1);
        // The text stays selected, and its row, when it comes back, shows it.
        m_list->insert(3, {u"two"_s});
        QVERIFY(m_view->preview());
        QCOMPARE(m_view->preview()->text(), u"two"_s);
        QTRY_VERIFY(!m_view->isAnimating());
        QVERIFY(m_view->rowRect(3).contains(m_view->preview()->geometry().center()));
    }

    void rowTheSearchHides_showsItsPreviewWhenShownAgain()
    {
        m_selection->select(m_list->index(2), QItemSelectionModel::ClearAndSelect);
        m_filter->setSearchText(u"o"_s);
        QVERIFY(!m_view->preview());
        QCOMPARE(m_view->model()->rowCount(), 3);
        // Rows come in above it while it is hidden.
        m_list->insert(0, {u"zero"_s, u"nine"_s});
        m_filter->setSearchText(QString());
        QVERIFY(m_view->preview());
        QCOMPARE(m_view->preview()->text(), u"three"_s);
        QVERIFY(m_view->rowRect(4).contains(m_view->preview()->geometry().center()));
    }

    // The selection and the filter hear of the list's changes in the order they
    // were made; the preview ends up the same either way.
    void textComingBackUnderASearch_showsOnlyWhenItsRowIs_data()
    {
        QTest::addColumn<bool>("selectionFirst");
        QTest::newRow("selection made first") << true;
        QTest::newRow("filter made first") << false;
    }
    void textComingBackUnderASearch_showsOnlyWhenItsRowIs()
    {
        QFETCH(bool, selectionFirst);
        FakeTextList list({u"one"_s, u"two"_s, u"three"_s});
        SearchFilterModel filter;
        std::unique_ptr<TextSelectionModel> selection;
        if (selectionFirst)
            selection = std::make_unique<TextSelectionModel>(&list);
        filter.setSourceModel(&list);
        if (!selectionFirst)
            selection = std::make_unique<TextSelectionModel>(&list);
        ClipListView view;
        view.setModel(&filter);
        view.setPreviewSelection(selection.get());
        view.resize(350, 500);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        selection->select(list.index(0), QItemSelectionModel::ClearAndSelect);
        list.remove(0, 0);
        filter.setSearchText(u"t"_s);
        // "one" comes back where "two", which the search shows, was.
        list.insert(0, {u"one"_s});
        QCOMPARE(selection->selectedText(), std::optional<QString>(u"one"_s));
        QCOMPARE(selection->selectedIndexes().size(), 1);
        QVERIFY(!view.preview());
        filter.setSearchText(QString());
        QVERIFY(view.preview());
        QCOMPARE(view.preview()->text(), u"one"_s);
        QVERIFY(view.rowRect(0).contains(view.preview()->geometry().center()));

        // Shown by the search, it comes back with its preview at once.
        list.remove(0, 0);
        filter.setSearchText(u"o"_s);
        list.insert(1, {u"one"_s});
        QVERIFY(view.preview());
        QTRY_VERIFY(!view.isAnimating());
        QCOMPARE(view.model()->index(1, 0).data().toString(), u"one"_s);
        QVERIFY(view.rowRect(1).contains(view.preview()->geometry().center()));
    }

    void listShownWithoutAFilter_showsItsSelectionToo()
    {
        ClipListView plain;
        TextSelectionModel selection(m_list.get());
        plain.setModel(m_list.get());
        plain.setPreviewSelection(&selection);
        plain.resize(350, 500);
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        selection.select(m_list->index(3), QItemSelectionModel::ClearAndSelect);
        QVERIFY(plain.preview());
        QCOMPARE(plain.preview()->text(), u"four"_s);
        QVERIFY(plain.rowRect(3).contains(plain.preview()->geometry().center()));
        selection.clear();
        QVERIFY(!plain.preview());
    }

private:
    std::unique_ptr<FakeTextList> m_list;
    std::unique_ptr<SearchFilterModel> m_filter;
    std::unique_ptr<TextSelectionModel> m_selection;
    std::unique_ptr<ClipListView> m_view;
};

QTEST_MAIN(ClipListViewTest)
#include "tst_cliplistview.moc"
