// The skins, the stylesheet and the pictures as the program finds them beside itself.
#include "../UiTestSupport.h"

#include "ui/settings/CSettingExit.h"
#include "ui/shell/CMessageBox.h"
#include "ui/shell/CTipDialog.h"
#include "ui/shell/CTopCall.h"
#include "ui/widgets/SkinImage.h"
#include "ui/widgets/SkinLoader.h"
#include "ui/widgets/SkinStyle.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace tamberlink;
using tamberlink::test::App;

namespace {

// Noise of the offscreen platform, not of our skins.
QStringList SkinWarnings(const test::WarningCollector& collector) {
    QStringList result;
    for (const QString& warning : collector.Warnings()) {
        if (!warning.contains(QLatin1String("does not support")) &&
            !warning.contains(QLatin1String("XDG_RUNTIME_DIR"))) {
            result << warning;
        }
    }
    return result;
}

QStringList SkinFiles() {
    return QDir(SkinFolder()).entryList({QStringLiteral("*.ui")}, QDir::Files, QDir::Name);
}

// Every "name.png" a text mentions.
QStringList PicturesNamedIn(const QString& text) {
    static const QRegularExpression picture(QStringLiteral("([A-Za-z0-9_]+\\.png)"));
    QStringList names;
    for (auto it = picture.globalMatch(text); it.hasNext();) {
        names << it.next().captured(1);
    }
    names.removeDuplicates();
    return names;
}

QString ReadSource(const QString& relative) {
    QFile file(QDir(QStringLiteral(TAMBERLINK_SOURCE_DIR)).filePath(relative));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST(Skin, EverySkinLoadsWithTheStylesheetAndNoWarnings) {
    App();
    test::WarningCollector collector;
    ASSERT_TRUE(ApplySkinStyle(App()));
    const QStringList skins = SkinFiles();
    const QString expectedSkins = QStringLiteral(
        "main_window.ui menu_main.ui dlg_message.ui dlg_tip.ui dlg_setting.ui dlg_top_call.ui "
        "dlg_callin.ui "
        "dlg_callout.ui dlg_keyboard.ui page_calls.ui page_sms.ui page_contacts.ui "
        "page_calllist.ui "
        "page_notes.ui dlg_notepad_info.ui dlg_notepad_time.ui dlg_sms_new.ui dlg_sms_edit.ui "
        "dlg_contacts.ui dlg_choose_template.ui dlg_template.ui dlg_import_excel.ui "
        "dlg_temp_contact.ui menu_calllist_status.ui");
    for (const QString& expected : expectedSkins.split(u' ')) {
        EXPECT_TRUE(skins.contains(expected)) << expected.toStdString();
    }
    for (const QString& skin : skins) {
        auto host = std::make_unique<QWidget>();
        QWidget* form = SkinLoader::Load(skin, host.get());
        ASSERT_NE(form, nullptr) << skin.toStdString();
        EXPECT_FALSE(form->size().isEmpty()) << skin.toStdString();
        host->resize(form->size());
        host->show();
        // Painting polishes every control against the stylesheet.
        EXPECT_FALSE(host->grab().isNull()) << skin.toStdString();
    }
    EXPECT_TRUE(SkinWarnings(collector).isEmpty())
        << SkinWarnings(collector).join(QLatin1Char('\n')).toStdString();
}

TEST(Skin, EveryPictureNamedAnywhereExistsAndIsReadable) {
    App();
    QStringList named = PicturesNamedIn(ReadSource(QStringLiteral("Res/style.qss")));
    for (const QString& skin : SkinFiles()) {
        QFile file(QDir(SkinFolder()).filePath(skin));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        named << PicturesNamedIn(QString::fromUtf8(file.readAll()));
    }
    for (const QString& source : QDir(QStringLiteral(TAMBERLINK_SOURCE_DIR "/src/ui"))
                                     .entryList({QStringLiteral("*.cpp")}, QDir::Files)) {
        named << PicturesNamedIn(ReadSource(QStringLiteral("src/ui/") + source));
    }
    // The pictures the call-log rows, the SMS and contact lists and the dialogs of later
    // pages name, from the list that renders them.
    named << PicturesNamedIn(ReadSource(QStringLiteral("Res/pictures/pictures.txt")));
    named.removeDuplicates();
    ASSERT_GT(named.size(), 60);
    for (const QString& name : named) {
        const QImage image(QDir(SkinFolder()).filePath(name));
        EXPECT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_GT(image.width() * image.height(), 0) << name.toStdString();
    }
}

TEST(Skin, PicturesAreTheirDrawnSizeAndNotBlank) {
    App();
    struct Expected {
        const char* name;
        int width, height;
    };
    // Sizes the code places them at: the dest rectangles and button sizes of the windows.
    for (const Expected& e : {Expected{"titleTecord.png", 32, 33},
                              {"titleSms.png", 44, 33},
                              {"ButtonNotepad.png", 34, 40},
                              {"btnDeviceUnConn.png", 56, 50},
                              {"btnDeviceConn.png", 56, 50},
                              {"btnSettingNomal.png", 108, 37},
                              {"tabBtnNomal.png", 67, 24},
                              {"tabBtnCheck.png", 14, 14},
                              {"button_rec_start.png", 20, 20}}) {
        const QImage image(QDir(SkinFolder()).filePath(QString::fromLatin1(e.name)));
        ASSERT_FALSE(image.isNull()) << e.name;
        EXPECT_EQ(image.size(), QSize(e.width, e.height)) << e.name;
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                opaque += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, image.width() * image.height() / 20) << e.name;
    }
    // The connected and unconnected device pictures must tell the states apart.
    EXPECT_NE(QImage(QDir(SkinFolder()).filePath(QStringLiteral("btnDeviceConn.png"))),
              QImage(QDir(SkinFolder()).filePath(QStringLiteral("btnDeviceUnConn.png"))));
}

TEST(Skin, WindowsFindEveryControlTheyNeedInTheirSkins) {
    App();
    QWidget main;
    main.resize(902, 602);
    std::unique_ptr<WindowImplBase> windows[] = {
        std::make_unique<CMessageBox>(&main),
        std::make_unique<CTipDialog>(&main, QStringLiteral("?"), nullptr),
        std::make_unique<CSettingExit>(&main),
        std::make_unique<CTopCall>(),
    };
    for (auto& window : windows) {
        EXPECT_TRUE(window->Create(QStringLiteral("t"))) << window->GetSkinFile().toStdString();
    }
}

TEST(Skin, MissingSkinOrControlLeavesTheWindowUncreated) {
    App();
    // A window whose skin lacks a control it needs.
    class Lacking : public CMessageBox {
    public:
        using CMessageBox::CMessageBox;
        QString GetSkinFile() const override { return QStringLiteral("dlg_tip.ui"); }
    };
    class NoSkin : public CMessageBox {
    public:
        using CMessageBox::CMessageBox;
        QString GetSkinFile() const override { return QStringLiteral("no_such_skin.ui"); }
    };
    QWidget main;
    Lacking lacking(&main);
    EXPECT_FALSE(lacking.Create(QStringLiteral("t")));
    EXPECT_EQ(lacking.FindControl(QStringLiteral("btnClosed")), nullptr);
    NoSkin none(&main);
    EXPECT_FALSE(none.Create(QStringLiteral("t")));
    EXPECT_EQ(none.FindControl(QStringLiteral("LayoutTitle")), nullptr);
}

TEST(Skin, ImageDescriptionsParse) {
    const SkinImage plain = SkinImage::Parse(QStringLiteral("bgHead.png"));
    EXPECT_EQ(plain.file, QStringLiteral("bgHead.png"));
    EXPECT_FALSE(plain.dest.isValid());

    const SkinImage placed =
        SkinImage::Parse(QStringLiteral("file='titleSms.png' dest='29,35,73,68'"));
    EXPECT_EQ(placed.file, QStringLiteral("titleSms.png"));
    EXPECT_EQ(placed.dest, QRect(29, 35, 44, 33));

    const SkinImage frame =
        SkinImage::Parse(QStringLiteral("file='anim_rec.png' source='24,0,48,24'"));
    EXPECT_EQ(frame.file, QStringLiteral("anim_rec.png"));
    EXPECT_EQ(frame.source, QRect(24, 0, 24, 24));

    const SkinImage stretched =
        SkinImage::Parse(QStringLiteral("file='btnSettingNomal.png' corner='5,4,3,2'"));
    EXPECT_EQ(stretched.corner, QMargins(5, 4, 3, 2));

    // Broken rectangles are ignored rather than guessed.
    EXPECT_FALSE(SkinImage::Parse(QStringLiteral("file='a.png' dest='1,2,x,4'")).dest.isValid());
    EXPECT_FALSE(SkinImage::Parse(QStringLiteral("file='a.png' dest='1,2,3'")).dest.isValid());
}
