// A user's database for a benchmark: the seed copied into `dir`, migrated and without contacts,
// with the attribution database beside it.
#pragma once

#include "store/AttributionDatabase.h"
#include "store/LocalDatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace tamberlink::bench {

inline bool OpenSeedDatabase(const QTemporaryDir& dir, LocalDatabase& database,
                             AttributionDatabase& attribution) {
    const QString db = dir.filePath(QStringLiteral("Tamberlink.db"));
    QFile::copy(QStringLiteral(TAMBERLINK_BIN_DIR "/Data/Tamberlink.db"), db);
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    attribution.Open(QStringLiteral(TAMBERLINK_BIN_DIR "/Data/attribution.db"));
    if (!database.Open(db) || !database.RunMigrations()) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(db));
        return false;
    }
    return database.Contacts().DeleteAll();
}

} // namespace tamberlink::bench
