#include "link/TextTable.h"
#include "ui/Grid.h"
#include "ui/SpanHeaderView.h"

#include <QScrollBar>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

// A table of 6 columns of 30 px under two header rows:
//   | NAME  |      COMMON       | X |
//   |       | A | B | C |       |   |
struct Header : ::testing::Test {
    TextTable table{6, 3};
    QTableView* view = MakeGridView(&table, "grid", nullptr);
    SpanHeaderView* h = SpanHeaderView::install(view, 2);

    Header()
    {
        for (int s = 0; s < 6; ++s)
            view->setColumnWidth(s, 30);
        h->setCell(0, 0, "NAME", 2);
        h->setCell(0, 1, "COMMON", 1, 3);
        h->setCell(1, 1, "A");
        h->setCell(1, 2, "B");
        h->setCell(1, 3, "C");
        h->setCell(0, 5, "X", 5); // more rows than the header has
        view->resize(400, 200);
        view->show();
    }
    ~Header() override { delete view; }
};

} // namespace

TEST_F(Header, CellsCoverTheirSpans)
{
    const int rh = h->headerRowHeight();
    EXPECT_EQ(h->sizeHint().height(), 2 * rh);
    struct Case {
        int row, section;
        QString text;
        QRect rect;
    };
    const QList<Case> cases{
        {1, 0, "NAME", QRect(0, 0, 30, h->height())},
        {0, 3, "COMMON", QRect(30, 0, 90, rh)},
        {1, 2, "B", QRect(60, rh, 30, h->height() - rh)},
        {1, 5, "X", QRect(150, 0, 30, h->height())},
        {1, 4, "", QRect()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(h->cellText(c.row, c.section), c.text);
        EXPECT_EQ(h->cellRect(c.row, c.section), c.rect);
    }
}

TEST_F(Header, HiddenSectionsAndScrollingMoveTheSpans)
{
    view->setColumnHidden(1, true);
    EXPECT_EQ(h->cellRect(0, 2), QRect(30, 0, 60, h->headerRowHeight()));
    EXPECT_TRUE(h->cellRect(1, 1).isNull());
    view->setColumnHidden(2, true);
    view->setColumnHidden(3, true);
    EXPECT_TRUE(h->cellRect(0, 1).isNull());

    h->setCell(0, 1, "OTHER", 1, 2); // replaces the cell starting there
    EXPECT_EQ(h->cellText(0, 3), "");
    EXPECT_EQ(h->cellText(0, 1), "OTHER");

    view->setColumnHidden(1, false);
    view->resize(80, 200);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    const int offset = h->offset();
    ASSERT_GT(offset, 0);
    EXPECT_EQ(h->cellRect(0, 5).left(), 90 - offset); // after sections 0, 1 and 4
}
