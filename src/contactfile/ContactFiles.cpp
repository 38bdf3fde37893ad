#include "contactfile/ContactFiles.h"

#include "contactfile/VCardFile.h"
#include "store/LocalDatabase.h"
#include "util/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <map>
#include <set>

namespace tamberlink {
namespace {

// Fewer digits make no number anyone can call.
constexpr int kMinDigits = 3;

bool IsCsvPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("csv") || suffix == QLatin1String("txt");
}

// A file whose name says nothing is a vCard when it begins like one.
bool LooksLikeVCard(const QString& path, const QByteArray& data) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("vcf") || suffix == QLatin1String("vcard")) {
        return true;
    }
    return !IsCsvPath(path) && data.left(1024).toUpper().contains("BEGIN:VCARD");
}

} // namespace

ContactImportPreview
ContactFiles::Preview(const QString& path,
                      std::optional<ContactCsvLayout::Encoding> encoding) const {
    ContactImportPreview preview;
    preview.path = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        preview.error = QStringLiteral("无法打开文件：%1").arg(file.errorString());
        return preview;
    }
    if (file.size() > kMaxFileBytes) {
        preview.error = QStringLiteral("文件太大（超过 %1 MB）").arg(kMaxFileBytes >> 20);
        return preview;
    }
    const QByteArray data = file.readAll();
    ContactFileContents contents;
    if (LooksLikeVCard(path, data)) {
        contents = ReadVCards(data);
    } else {
        preview.format = ContactImportPreview::Format::Csv;
        QString why;
        preview.layout = DetectContactCsv(data, &why);
        if (!preview.layout) {
            preview.error = why;
            return preview;
        }
        if (encoding) {
            preview.layout->encoding = *encoding;
        }
        contents = ReadContactCsv(data, *preview.layout);
    }
    preview.problems = std::move(contents.problems);
    if (!contents.error.isEmpty()) {
        preview.error = contents.error;
        return preview;
    }
    preview.cards = int(contents.cards.size());
    std::set<QString> seen;
    std::vector<bool> repeated;
    for (const ContactCard& card : contents.cards) {
        const QString uid =
            card.uid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : card.uid;
        for (const QString& number : card.numbers) {
            const QString stored = ContactTable::StoredForm(number);
            if (std::count_if(stored.begin(), stored.end(), [](QChar c) { return c.isDigit(); }) <
                kMinDigits) {
                preview.problems.push_back(
                    {0, card.name + u' ' + number, QStringLiteral("号码无效")});
                continue;
            }
            ContactCardRecord& row = preview.rows.emplace_back();
            row.contact = ContactRecord(card.name, number, QString());
            row.contact.email = card.email;
            row.contact.company = card.company;
            row.contact.home = card.address;
            row.contact.other = card.note;
            row.uid = uid;
            row.lines = card.lines.join(u'\n');
            repeated.push_back(!seen.insert(stored).second);
        }
    }
    QStringList numbers;
    for (const ContactCardRecord& row : preview.rows) {
        numbers << row.contact.phone;
    }
    const std::vector<bool> stored = database_.Contacts().HaveNumbers(numbers);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        // A number the file holds twice is no new number the second time.
        ++(stored[i] || repeated[i] ? preview.storedNumbers : preview.newNumbers);
    }
    if (preview.rows.empty()) {
        preview.error = QStringLiteral("文件里没有可以导入的联系人");
    }
    return preview;
}

bool ContactFiles::Import(const ContactImportPreview& preview, bool fillEmpty,
                          ContactImportCounts& counts, QString* error) {
    if (!preview.Ok()) {
        if (error != nullptr) {
            *error = preview.error;
        }
        return false;
    }
    if (!database_.Contacts().ImportCards(preview.rows, fillEmpty, attribution_, counts)) {
        if (error != nullptr) {
            *error = QStringLiteral("无法写入数据库，没有导入任何联系人");
        }
        return false;
    }
    return true;
}

bool ContactFiles::Export(const QString& path, const std::vector<int>& ids, int* cards,
                          QString* error) {
    // The contacts of one card go out together, in the order of their first contact.
    std::vector<ContactCard> out;
    std::map<QString, std::size_t> byUid;
    for (ContactCardRecord& row : database_.Contacts().LoadCards(ids)) {
        const auto found = row.uid.isEmpty() ? byUid.end() : byUid.find(row.uid);
        if (found != byUid.end()) {
            out[found->second].numbers << row.contact.phone;
            continue;
        }
        if (!row.uid.isEmpty()) {
            byUid.emplace(row.uid, out.size());
        }
        ContactCard& card = out.emplace_back();
        card.uid = row.uid;
        card.name = row.contact.name;
        card.numbers << row.contact.phone;
        card.email = row.contact.email;
        card.company = row.contact.company;
        card.address = row.contact.home;
        card.note = row.contact.other;
        if (!row.lines.isEmpty()) {
            card.lines = row.lines.split(u'\n');
        }
    }
    const QByteArray bytes = IsCsvPath(path) ? WriteContactCsv(out) : WriteVCards(out);
    if (!AtomicFile::Write(path, std::string_view(bytes.constData(), std::size_t(bytes.size())),
                           error)) {
        return false;
    }
    if (cards != nullptr) {
        *cards = int(out.size());
    }
    return true;
}

} // namespace tamberlink
