#pragma once

#include "workbook/ValueSheet.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace tamberlink {

// The merged ranges of each sheet of an .xls file, which FreeXL does not hand out: read from
// the MERGEDCELLS records of the workbook stream inside the file's compound document. Every
// offset, count and chain is checked against the file; a file it cannot follow (damaged,
// encrypted, not BIFF8) gives no ranges, and the cells are read without them.
class BiffMerges {
public:
    struct Sheet {
        QString name; // as the BOUNDSHEET record spells it (16-bit names exactly)
        std::vector<MergedRange> ranges;
    };

    // The sheets in the workbook's order, with their ranges.
    static std::vector<Sheet> Read(const QByteArray& file);
};

} // namespace tamberlink
