#include "lookup.h"

#include "table.h"

namespace engine {

LinkLookup::LinkLookup(std::initializer_list<Table*> tables)
{
    for (Table* t : tables) {
        m_saved.append({t, t->filter(), t->filtered(), t->masterSource(), t->masterFields(), t->indexFieldNames(),
                        t->indexName()});
    }
}

LinkLookup::~LinkLookup()
{
    // Each step is restored on its own: a table that cannot take back one setting still gets
    // the others, and nothing escapes a destructor.
    const auto attempt = [](auto&& step) {
        try {
            step();
        } catch (...) {
        }
    };
    for (Saved& s : m_saved) {
        if (s.table) {
            // Switched off before the text is put back and on after it, so that the table is
            // filtered once, by its own filter.
            if (!s.filtered) {
                attempt([&] { s.table->setFiltered(false); });
            }
            attempt([&] { s.table->setFilter(s.filter); });
            if (s.filtered) {
                attempt([&] { s.table->setFiltered(true); });
            }
        }
    }
    for (Saved& s : m_saved) {
        if (s.table) {
            attempt([&] {
                s.table->setMasterSource(s.master);
                s.table->setMasterFields(s.masterFields);
            });
        }
    }
    for (Saved& s : m_saved) {
        if (s.table) {
            attempt([&] {
                if (!s.indexName.isEmpty()) {
                    s.table->setIndexName(s.indexName);
                } else {
                    s.table->setIndexFieldNames(s.indexFieldNames);
                }
            });
        }
    }
}

void LinkLookup::unlink(Table& table, bool clearIndex)
{
    table.setMasterFields({});
    if (clearIndex) {
        table.setIndexFieldNames({});
    }
}

} // namespace engine
