#pragma once

// The record types of the collection's thirteen tables: file names, fields in their stored
// order, keys and indexes. Table files are made from these (the demo collection, rebuilds).

#include "structure.h"

#include <QList>
#include <QString>

namespace data {

struct TableFile {
    QString fileName; // in the data folder, e.g. "TB_Zakoni.db"
    engine::TableStructure structure;
};

// All thirteen, in a fixed order.
const QList<TableFile>& tableFiles();
// One of them by file name, without regard to case; throws engine::Error for an unknown name.
const TableFile& tableFile(const QString& fileName);

// Gives the session the record type of each, so that a table object opened on a file whose
// fields differ from it is refused at open (engine::Session::setRecordType).
void registerRecordTypes();

} // namespace data
