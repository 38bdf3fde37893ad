// tamberlink-attribution [--no-landlines] INPUT OUTPUT: builds the attribution database OUTPUT
// (the program's Data/MoblieAreacode.db) from a tab-separated prefix table, gzipped or plain,
// and the landline rows of every area code.

#include "AttributionWriter.h"
#include "LandlineRows.h"
#include "PrefixTable.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: tamberlink-attribution [--no-landlines] INPUT OUTPUT\n"
    "  INPUT   prefix table, tab-separated UTF-8, gzipped or plain, one row per 7-digit\n"
    "          prefix: phone province city corp areacode [zipcode]; an optional first\n"
    "          line names the columns\n"
    "  OUTPUT  attribution database to write (replaced only when the import succeeds)\n"
    "  --no-landlines\n"
    "          write the table's rows only; without it every 7-digit key that begins with\n"
    "          a landline area code (010..., 0755...) gets a row with carrier \"固话\",\n"
    "          unless the table has a row for it\n";

// Reads one line without its line break; false at the end of the input.
bool ReadLine(gzFile in, std::string& line) {
    line.clear();
    char buffer[4096];
    while (gzgets(in, buffer, sizeof buffer) != nullptr) {
        line += buffer;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return true;
        }
    }
    return !line.empty();
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "tamberlink-attribution: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool landlines = argc < 2 || std::strcmp(argv[1], "--no-landlines") != 0;
    const int first = landlines ? 1 : 2;
    if (argc - first != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string input = argv[first];
    const std::string output = argv[first + 1];

    gzFile in = gzopen(input.c_str(), "rb");
    if (in == nullptr) {
        return Fail("cannot open " + input + ": " + std::strerror(errno));
    }
    tamberlink::AttributionWriter writer(output);
    std::string error;
    if (!writer.Begin(error)) {
        gzclose(in);
        return Fail(error);
    }

    std::string line;
    long lineNumber = 0;
    long rows = 0;
    tamberlink::PrefixRow row;
    while (ReadLine(in, line)) {
        ++lineNumber;
        if (line.empty() || (lineNumber == 1 && tamberlink::PrefixTable::IsHeader(line))) {
            continue;
        }
        if (!tamberlink::PrefixTable::ParseLine(line, row, error) || !writer.Add(row, error)) {
            gzclose(in);
            return Fail(input + ":" + std::to_string(lineNumber) + ": " + error);
        }
        ++rows;
    }
    int zerror = Z_OK;
    const char* zmessage = gzerror(in, &zerror);
    if (zerror != Z_OK && zerror != Z_STREAM_END) {
        const std::string message = zmessage;
        gzclose(in);
        return Fail("cannot read " + input + ": " + message);
    }
    gzclose(in);
    if (rows == 0) {
        return Fail(input + " holds no prefixes");
    }
    // The table's own rows win over the landline rows.
    long landlineRows = 0;
    const auto addLandline = [&](const tamberlink::PrefixRow& landline) {
        bool added = false;
        if (!writer.AddIfAbsent(landline, added, error)) {
            return false;
        }
        landlineRows += added;
        return true;
    };
    if (landlines && !tamberlink::LandlineRows::ForEach(addLandline)) {
        return Fail(error);
    }
    if (!writer.Commit(error)) {
        return Fail(error);
    }
    if (landlines) {
        std::printf("%ld prefixes and %ld landline prefixes written to %s\n", rows, landlineRows,
                    output.c_str());
    } else {
        std::printf("%ld prefixes written to %s\n", rows, output.c_str());
    }
    return 0;
}
