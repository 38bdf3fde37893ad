#pragma once

#include "contactfile/ContactCsvFile.h"
#include "store/ContactRecord.h"

#include <QString>

#include <optional>
#include <vector>

namespace tamberlink {

class AttributionDatabase;
class LocalDatabase;

// What an import of a contact file would do, read before anything is written.
struct ContactImportPreview {
    enum class Format { VCard, Csv };

    QString path;
    Format format = Format::VCard;
    std::optional<ContactCsvLayout> layout; // for CSV: the encoding and columns used
    std::vector<ContactFileProblem> problems;
    // One row per number of the file's usable cards, in file order.
    std::vector<ContactCardRecord> rows;
    int cards = 0;
    int newNumbers = 0;
    int storedNumbers = 0; // numbers a contact has already (or that repeat in the file)
    QString error;         // why the file cannot be imported at all

    bool Ok() const { return error.isEmpty(); }
};

// Contacts in and out of files: vCard (.vcf, .vcard) and CSV (.csv, .txt). A card with several
// numbers becomes one contact per number, tied by the card's uid, and goes back out as one card
// with its numbers; the card's other properties travel with it.
class ContactFiles {
public:
    static constexpr qint64 kMaxFileBytes = 64LL * 1024 * 1024;

    ContactFiles(LocalDatabase& database, const AttributionDatabase& attribution)
        : database_(database)
        , attribution_(attribution) {}

    // Reads `path` and says what an import would add; a CSV is read in `encoding` when given,
    // else in the one its bytes suggest.
    ContactImportPreview
    Preview(const QString& path,
            std::optional<ContactCsvLayout::Encoding> encoding = std::nullopt) const;
    // Stores what `preview` read, in one transaction: the numbers not stored yet, and with
    // `fillEmpty` the file's fields in the empty ones of the stored numbers. False with
    // `error` set when nothing was stored.
    bool Import(const ContactImportPreview& preview, bool fillEmpty, ContactImportCounts& counts,
                QString* error = nullptr);
    // Writes the contacts `ids` (all of them when empty) to `path`: vCard 3.0 unless the name
    // ends in ".csv". The file holds its old contents or the new. `cards` is how many went out.
    bool Export(const QString& path, const std::vector<int>& ids, int* cards = nullptr,
                QString* error = nullptr);

private:
    LocalDatabase& database_;
    const AttributionDatabase& attribution_;
};

} // namespace tamberlink
