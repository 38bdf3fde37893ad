// Feeds arbitrary bytes to the vCard and CSV readers. Every card read has a name and a
// number; what the writers make of the cards reads back as the same cards.
#include "FuzzSupport.h"
#include "contactfile/ContactCsvFile.h"
#include "contactfile/VCardFile.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

using namespace tamberlink;
using fuzz::Check;

void CheckCards(const std::vector<ContactCard>& cards) {
    for (const ContactCard& card : cards) {
        Check(!card.name.isEmpty());
        Check(!card.numbers.isEmpty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const ContactFileContents vcards = ReadVCards(bytes);
    CheckCards(vcards.cards);
    const ContactFileContents again = ReadVCards(WriteVCards(vcards.cards));
    Check(again.cards.size() == vcards.cards.size());
    for (std::size_t i = 0; i < again.cards.size(); ++i) {
        Check(again.cards[i].name == vcards.cards[i].name.trimmed() ||
              again.cards[i].name == vcards.cards[i].name);
        Check(again.cards[i].numbers.size() == vcards.cards[i].numbers.size());
    }

    QString error;
    if (const std::optional<ContactCsvLayout> layout = DetectContactCsv(bytes, &error)) {
        const ContactFileContents rows = ReadContactCsv(bytes, *layout);
        CheckCards(rows.cards);
        const QByteArray written = WriteContactCsv(rows.cards);
        const std::optional<ContactCsvLayout> ours = DetectContactCsv(written, &error);
        Check(ours.has_value());
        Check(ReadContactCsv(written, *ours).cards.size() == rows.cards.size());
    } else {
        Check(!error.isEmpty());
    }
    return 0;
}
