#include "ui/contacts/CContactImport.h"

#include "app/AppCore.h"

#include <QFileInfo>

namespace tamberlink {
namespace {

// The problems listed one a line; a file of junk lists the first ones and counts the rest.
constexpr std::size_t kProblemsListed = 200;

QString ColumnsText(const ContactCsvLayout& layout) {
    QStringList phones;
    for (int column : layout.phones) {
        phones << layout.headers.value(column).trimmed();
    }
    return QStringLiteral("号码列：%1").arg(phones.join(QStringLiteral("、")));
}

} // namespace

CContactImport::CContactImport(QWidget* parent, AppCore& core)
    : WindowImplBase(parent)
    , core_(core) {}

void CContactImport::InitWindow() {
    ui_.ComboEncoding->addItem(QStringLiteral("UTF-8"), int(ContactCsvLayout::Encoding::Utf8));
    ui_.ComboEncoding->addItem(QStringLiteral("GBK / GB18030"),
                               int(ContactCsvLayout::Encoding::Gb18030));
    connect(ui_.ComboEncoding, &QComboBox::activated, this, [this] {
        Show(core_.PreviewContactFile(
            preview_.path, ContactCsvLayout::Encoding(ui_.ComboEncoding->currentData().toInt())));
    });
    connect(ui_.ButtonCancel, &QAbstractButton::clicked, this, [this] { Close(); });
    connect(ui_.ButtonImport, &QAbstractButton::clicked, this, &CContactImport::Import);
}

void CContactImport::Preview(const QString& path) {
    Show(core_.PreviewContactFile(path));
}

void CContactImport::Show(const ContactImportPreview& preview) {
    preview_ = preview;
    ui_.LabelFile->setText(QFileInfo(preview.path).fileName());
    ui_.LabelFile->setToolTip(preview.path);
    const bool csv = preview.layout.has_value();
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.LabelEncoding), static_cast<QWidget*>(ui_.ComboEncoding),
          static_cast<QWidget*>(ui_.LabelColumns)}) {
        control->setVisible(csv);
    }
    if (csv) {
        ui_.ComboEncoding->setCurrentIndex(
            ui_.ComboEncoding->findData(int(preview.layout->encoding)));
        ui_.LabelColumns->setText(ColumnsText(*preview.layout));
        ui_.LabelColumns->setToolTip(ui_.LabelColumns->text());
    }
    if (!preview.Ok()) {
        ui_.LabelSummary->setText(QStringLiteral("无法导入：%1").arg(preview.error));
    } else {
        ui_.LabelSummary->setText(
            QStringLiteral("共 %1 张名片：新号码 %2 个，已有的号码 %3 个，无法导入 %4 条")
                .arg(preview.cards)
                .arg(preview.newNumbers)
                .arg(preview.storedNumbers)
                .arg(preview.problems.size()));
    }
    QStringList lines;
    for (std::size_t i = 0; i < preview.problems.size() && i < kProblemsListed; ++i) {
        const ContactFileProblem& problem = preview.problems[i];
        const QString where =
            problem.line > 0 ? QStringLiteral("第 %1 行 ").arg(problem.line) : QString();
        lines << QStringLiteral("%1“%2”：%3").arg(where, problem.text, problem.reason);
    }
    if (preview.problems.size() > kProblemsListed) {
        lines << QStringLiteral("……还有 %1 条").arg(preview.problems.size() - kProblemsListed);
    }
    ui_.TextProblems->setPlainText(lines.join(u'\n'));
    ui_.ButtonImport->setEnabled(preview.Ok());
}

bool CContactImport::Import() {
    ContactImportCounts counts;
    QString error;
    // The button stays off while the import runs, so a second click imports nothing twice.
    ui_.ButtonImport->setEnabled(false);
    if (!core_.ImportContactFile(preview_, ui_.CheckFillEmpty->isChecked(), counts, &error)) {
        core_.ShowTip(error);
        ui_.ButtonImport->setEnabled(preview_.Ok());
        return false;
    }
    core_.ShowTip(QStringLiteral("已导入 %1 个联系人；已有的号码补全 %2 个，跳过 %3 个")
                      .arg(counts.added)
                      .arg(counts.filled)
                      .arg(counts.skipped));
    Close();
    return true;
}

} // namespace tamberlink
