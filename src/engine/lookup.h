#pragma once

// A lookup with links taken off: remembers the filter texts and whether they apply, the master
// links and the index field names of the table objects it is given, and puts them back when it
// goes out of scope, also when the lookup throws: first the filters, then the master links, then
// the index field names.

#include <initializer_list>
#include <QByteArray>
#include <QList>
#include <QPointer>

namespace engine {

class Table;

class LinkLookup final {
public:
    explicit LinkLookup(std::initializer_list<Table*> tables);
    ~LinkLookup();
    LinkLookup(const LinkLookup&) = delete;
    LinkLookup& operator=(const LinkLookup&) = delete;

    // Takes a table off its master (master fields empty) and, where asked, off its index order.
    static void unlink(Table& table, bool clearIndex = false);

private:
    struct Saved {
        QPointer<Table> table;
        QByteArray filter;
        bool filtered = false;
        QPointer<Table> master;
        QByteArray masterFields;
        QByteArray indexFieldNames;
        QByteArray indexName;
    };
    QList<Saved> m_saved;
};

} // namespace engine
