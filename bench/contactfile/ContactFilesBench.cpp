// A phone's export of 10,000 cards (Android's quoted-printable 2.1 and iOS 3.0 with a photo,
// one to three numbers each) previewed and imported into a database of the program's shape,
// then every contact exported to vCard and to CSV. Wall-clock and processor time of each step.
#include "../BenchTiming.h"
#include "../SeedDatabase.h"
#include "contactfile/ContactFiles.h"
#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace tamberlink;

namespace {

constexpr int kCards = 10000;

QByteArray PhoneExport() {
    QByteArray file;
    const QByteArray photo = QByteArray(768, 'x').toBase64();
    for (int i = 0; i < kCards; ++i) {
        const QByteArray n = QByteArray::number(10000000 + i);
        if (i % 2 == 0) {
            file += "BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                    "=E5=BC=A0=E4=B8=89" +
                    n + "\r\nTEL;CELL:139" + n + "\r\nEND:VCARD\r\n";
        } else {
            file += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Chen " + n + "\r\nN:Chen;" + n +
                    ";;;\r\nTEL;TYPE=CELL:137" + n + "\r\nTEL;TYPE=WORK:020" + n +
                    "\r\nTEL;TYPE=HOME:0755" + n +
                    "\r\nBDAY:1990-05-17\r\nPHOTO;ENCODING=b;TYPE=JPEG:" + photo + "\r\nUID:card-" +
                    n + "\r\nEND:VCARD\r\n";
        }
    }
    return file;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    LocalDatabase database;
    AttributionDatabase attribution;
    if (!bench::OpenSeedDatabase(dir, database, attribution)) {
        return 1;
    }
    ContactFiles files(database, attribution);
    const QString in = dir.filePath(QStringLiteral("phone.vcf"));
    {
        QFile file(in);
        file.open(QIODevice::WriteOnly);
        file.write(PhoneExport());
    }
    std::printf("contact files: %d cards, %.1f MB\n", kCards, double(QFile(in).size()) / 1e6);

    bench::Stopwatch watch;
    const ContactImportPreview preview = files.Preview(in);
    const double previewWall = watch.WallMs(), previewCpu = watch.CpuMs();
    watch.Restart();
    ContactImportCounts counts;
    const bool imported = files.Import(preview, false, counts);
    const double importWall = watch.WallMs(), importCpu = watch.CpuMs();
    std::printf("  preview (read and check every number): %7.1f ms wall, %7.1f ms cpu\n",
                previewWall, previewCpu);
    std::printf("  import of %d contacts:                %7.1f ms wall, %7.1f ms cpu  %s\n",
                counts.added, importWall, importCpu, imported ? "" : "FAILED");
    std::printf("  preview + import:                      %7.1f ms wall (target under 2000)\n",
                previewWall + importWall);

    for (const char* name : {"out.vcf", "out.csv"}) {
        int cards = 0;
        watch.Restart();
        const bool ok = files.Export(dir.filePath(QString::fromLatin1(name)), {}, &cards);
        std::printf("  export of %d cards to %s:         %7.1f ms wall, %7.1f ms cpu (target "
                    "under 1000) %s\n",
                    cards, name, watch.WallMs(), watch.CpuMs(), ok ? "" : "FAILED");
    }
    return imported ? 0 : 1;
}
