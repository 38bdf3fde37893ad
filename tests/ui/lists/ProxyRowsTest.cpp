// The shared list machinery under a proxy model: rows are read through the model's roles, so
// a filter and a sort between a page's records and its view paint, click and key the right
// records.
#include "../UiTestSupport.h"

#include "ui/contacts/CContactContainer.h"
#include "ui/contacts/ContactListModel.h"

#include <QListView>
#include <QPainter>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

#include <gtest/gtest.h>

using namespace tamberlink;
using Control = CItemContact::Control;

TEST(ListRows, AProxyFiltersAndSortsAPagesRowsWhichStillPaintClickAndKeyTheirRecords) {
    test::App();
    ContactListModel model;
    ContactRecord zhang(QStringLiteral("张三"), QStringLiteral("13800000001"), {});
    zhang.id = 1;
    ContactRecord li(QStringLiteral("李四"), QStringLiteral("13800000002"), {});
    li.id = 2;
    ContactRecord alice(QStringLiteral("Alice"), QStringLiteral("13800000003"), {});
    alice.id = 3;
    model.Fill({zhang, li, alice}, false);
    ASSERT_EQ(model.rowCount(), 6); // A, Alice, L, 李四, Z, 张三

    // Only the two Chinese names, the last in the alphabet first.
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.setFilterRegularExpression(QStringLiteral("^(张三|李四)$"));
    proxy.sort(0, Qt::DescendingOrder);
    ASSERT_EQ(proxy.rowCount(), 2);

    QListView view;
    view.resize(802, 300); // as wide as the contacts page: the buttons sit at the right
    auto* delegate = ShowRows<ContactListDelegate>(view, proxy, false);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QRect first = view.visualRect(proxy.index(0, 0));
    const QRect second = view.visualRect(proxy.index(1, 0));
    EXPECT_EQ(first.height(), CItemContact::kHeight);
    const ContactRecord* shown = ContactListDelegate::RecordOf(proxy.index(0, 0));
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(shown->name, QStringLiteral("李四"));

    // The first row is painted from 李四's record, as the row item paints it.
    QImage expected(first.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(view.viewport()->palette().base().color());
    {
        QPainter painter(&expected);
        CItemContact(*shown).Paint(painter, QRect(QPoint(), first.size()), RowState());
    }
    EXPECT_EQ(view.viewport()->grab(first).toImage().convertToFormat(expected.format()), expected);

    // The call button of the second row reports 张三's row in the contacts' own model.
    QSignalSpy buttons(delegate, &ListRowDelegate::ButtonReleased);
    const QPoint call = CItemContact::ControlRect(Control::CallTel).center() + second.topLeft();
    QTest::mouseMove(view.viewport(), call);
    ASSERT_TRUE(test::WaitFor([&] { return delegate->HoveredRow() == 1; }));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, call);
    ASSERT_EQ(buttons.count(), 1);
    EXPECT_EQ(buttons[0][0].toInt(), model.RowOfContact(zhang.id));
    EXPECT_EQ(buttons[0][1].toInt(), int(Control::CallTel));

    // Enter and Delete name the current row's record the same way.
    QSignalSpy activated(delegate, &ListRowDelegate::RowActivated);
    QSignalSpy deletes(delegate, &ListRowDelegate::DeleteRequested);
    view.setFocus(Qt::TabFocusReason);
    view.setCurrentIndex(proxy.index(0, 0));
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Enter);
    QTest::keyClick(&view, Qt::Key_Delete);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated[0][0].toInt(), model.RowOfContact(zhang.id));
    ASSERT_EQ(deletes.count(), 1);
    EXPECT_EQ(deletes[0][0].toInt(), model.RowOfContact(zhang.id));
}
