// The skins, the stylesheet and the pictures as the program finds them beside itself.
#include "../UiTestSupport.h"

#include "ui/widgets/SkinForm.h"
#include "ui/widgets/SkinImage.h"
#include "ui/widgets/SkinStyle.h"
#include "ui_dlg_callin.h"
#include "ui_dlg_callout.h"
#include "ui_dlg_choose_template.h"
#include "ui_dlg_contact_import.h"
#include "ui_dlg_contact_info.h"
#include "ui_dlg_contact_sync.h"
#include "ui_dlg_contacts.h"
#include "ui_dlg_dial_campaign.h"
#include "ui_dlg_edit_info.h"
#include "ui_dlg_import_excel.h"
#include "ui_dlg_keyboard.h"
#include "ui_dlg_login.h"
#include "ui_dlg_message.h"
#include "ui_dlg_notepad_info.h"
#include "ui_dlg_notepad_time.h"
#include "ui_dlg_nuisance.h"
#include "ui_dlg_number_history.h"
#include "ui_dlg_setting.h"
#include "ui_dlg_sms_edit.h"
#include "ui_dlg_sms_new.h"
#include "ui_dlg_stats.h"
#include "ui_dlg_temp_contact.h"
#include "ui_dlg_template.h"
#include "ui_dlg_tip.h"
#include "ui_dlg_top_call.h"
#include "ui_main_window.h"
#include "ui_menu_calllist_status.h"
#include "ui_menu_main.h"
#include "ui_page_calllist.h"
#include "ui_page_calls.h"
#include "ui_page_contacts.h"
#include "ui_page_notes.h"
#include "ui_page_sms.h"

#include <QDir>
#include <QDirIterator>
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

QString SourceDir() {
    return QStringLiteral(TAMBERLINK_SOURCE_DIR);
}

// The Designer forms under Res/.
QStringList FormFiles() {
    return QDir(SourceDir() + QStringLiteral("/Res"))
        .entryList({QStringLiteral("*.ui")}, QDir::Files, QDir::Name);
}

// Sets up the compiled form in a host, shows it and paints it, which polishes every control
// against the stylesheet. Returns the form's name, or nothing when the form came out empty.
template <class Form>
QString SetUpAndPaint() {
    Form ui;
    auto host = std::make_unique<QWidget>();
    QWidget* form = SkinForm::SetUp(ui, host.get());
    EXPECT_FALSE(form->size().isEmpty()) << form->objectName().toStdString();
    host->resize(form->size());
    host->show();
    EXPECT_FALSE(host->grab().isNull()) << form->objectName().toStdString();
    return form->objectName() + QStringLiteral(".ui");
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
    QFile file(QDir(SourceDir()).filePath(relative));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST(Skin, EveryFormSetsUpWithTheStylesheetAndNoWarnings) {
    App();
    test::WarningCollector collector;
    ASSERT_TRUE(ApplySkinStyle(App()));
    const QStringList built = {
        SetUpAndPaint<Ui::dlg_callin>(),
        SetUpAndPaint<Ui::dlg_callout>(),
        SetUpAndPaint<Ui::dlg_choose_template>(),
        SetUpAndPaint<Ui::dlg_contact_import>(),
        SetUpAndPaint<Ui::dlg_contact_info>(),
        SetUpAndPaint<Ui::dlg_contact_sync>(),
        SetUpAndPaint<Ui::dlg_contacts>(),
        SetUpAndPaint<Ui::dlg_dial_campaign>(),
        SetUpAndPaint<Ui::dlg_edit_info>(),
        SetUpAndPaint<Ui::dlg_import_excel>(),
        SetUpAndPaint<Ui::dlg_keyboard>(),
        SetUpAndPaint<Ui::dlg_login>(),
        SetUpAndPaint<Ui::dlg_message>(),
        SetUpAndPaint<Ui::dlg_notepad_info>(),
        SetUpAndPaint<Ui::dlg_notepad_time>(),
        SetUpAndPaint<Ui::dlg_nuisance>(),
        SetUpAndPaint<Ui::dlg_number_history>(),
        SetUpAndPaint<Ui::dlg_setting>(),
        SetUpAndPaint<Ui::dlg_sms_edit>(),
        SetUpAndPaint<Ui::dlg_sms_new>(),
        SetUpAndPaint<Ui::dlg_stats>(),
        SetUpAndPaint<Ui::dlg_temp_contact>(),
        SetUpAndPaint<Ui::dlg_template>(),
        SetUpAndPaint<Ui::dlg_tip>(),
        SetUpAndPaint<Ui::dlg_top_call>(),
        SetUpAndPaint<Ui::main_window>(),
        SetUpAndPaint<Ui::menu_calllist_status>(),
        SetUpAndPaint<Ui::menu_main>(),
        SetUpAndPaint<Ui::page_calllist>(),
        SetUpAndPaint<Ui::page_calls>(),
        SetUpAndPaint<Ui::page_contacts>(),
        SetUpAndPaint<Ui::page_notes>(),
        SetUpAndPaint<Ui::page_sms>(),
    };
    // A form added under Res/ is set up here too.
    EXPECT_EQ(built, FormFiles());
    EXPECT_TRUE(SkinWarnings(collector).isEmpty())
        << SkinWarnings(collector).join(QLatin1Char('\n')).toStdString();
}

TEST(Skin, EveryPictureNamedAnywhereExistsAndIsReadable) {
    App();
    QStringList named = PicturesNamedIn(ReadSource(QStringLiteral("Res/style.qss")));
    for (const QString& form : FormFiles()) {
        named << PicturesNamedIn(ReadSource(QStringLiteral("Res/") + form));
    }
    for (QDirIterator it(SourceDir() + QStringLiteral("/src/ui"), {QStringLiteral("*.cpp")},
                         QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile source(it.next());
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        named << PicturesNamedIn(QString::fromUtf8(source.readAll()));
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
