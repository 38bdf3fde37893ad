// Feeds arbitrary files to the INI reader. Traps when a file read and written back does not
// read back the same: a save must never move, change or lose a key.
#include "FuzzSupport.h"
#include "util/IniStore.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>

using namespace tamberlink;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::WriteScratch(data, size);
    const QString path = QString::fromUtf8(fuzz::ScratchPath());
    IniStore ini(path);
    Check(ini.Load());
    const std::string text = ini.Text();

    // What Save would write, read again.
    fuzz::WriteScratch(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    IniStore again(path);
    Check(again.Load());
    Check(again.Text() == text);
    return 0;
}
