#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/sql_text.h"
#include "db/table_shape.h"

// How a record is found again, one type for each way a table allows (see
// IdentityKind): what identifies a record on a page, the condition that finds it
// from that, and the page that starts next to it. The page, the edit, the deletion
// and the undo ask the table's identity rather than the kind of its table.
//
// A record's identity is the identifying fields that start its page row, as
// `fields` selects them: its row id, each key column as an SQL literal, or for a
// view every value as a literal of the whole (or, for a long one, its kind, size
// and first bytes). A NULL field reads as an empty text.
using IdentityFields = std::vector<std::string>;

class RecordIdentity {
public:
    virtual ~RecordIdentity() = default;

    // How many identifying fields start each page row, and their SQL (empty for none).
    virtual int field_count(const TableShape& shape) const = 0;
    virtual std::string fields(const TableShape& shape) const = 0;

    // The condition that finds the record with this identity: "rowid = 42",
    // "\"a\" = 'x' AND \"b\" = 3", or for a view "\"a\" IS 'x' AND \"b\" IS NULL".
    // Empty when the identity finds none (the wrong number of fields, a NULL key).
    virtual std::string condition(const TableShape& shape,
                                  const IdentityFields& identity) const = 0;

    // The table's own order of records (each term followed by `direction`), which
    // ends every order a page is read in; empty where records have none of their own.
    virtual std::string order(const TableShape&, const char* /*direction*/) const {
        return std::string();
    }

    // Whether a page may start next to a record rather than at an offset: the
    // table keeps its records in the order of their identity, and that order is
    // SQLite's own (not a collation the program has only a stand-in for).
    virtual bool pages_by_key(const TableShape&) const { return false; }
    // The condition of the records at, after or before (`from`) the record with
    // this identity in the table's own order; only where pages_by_key holds.
    std::string start_condition(const TableShape& shape,
                                PageStart::From from,
                                const IdentityFields& identity) const;
    // A count of the records before the one with this identity in the table's own
    // order (for the page a record lands on); empty where records have no order.
    std::string records_before_sql(const std::string& table,
                                   const TableShape& shape,
                                   const IdentityFields& identity) const;

    // The record's row id, which SQLite's incremental I/O opens it by; -1 where
    // records have none.
    virtual bool has_rowid() const { return false; }
    virtual RowId rowid(const IdentityFields&) const { return -1; }
    // What column 0 of the record's page row shows: its row id, or where there is
    // none, its place (from 1) in the order read.
    virtual std::string row_label(const IdentityFields& identity, std::int64_t place) const;

    // False where no record can be found again: the table is only read.
    virtual bool finds_records() const { return true; }
    // Whether one condition may find several records (records alike in every
    // value): a write counts what it reached, and undoes a write to several.
    virtual bool may_find_several() const { return false; }
    // Whether a write to column `column` (an index into shape.columns) changes the
    // record's identity.
    virtual bool changed_by(const TableShape&, std::size_t /*column*/) const { return false; }
    // The identity after `literal` was written into column `column` of the record
    // with `identity`: as written, which the database may have stored otherwise
    // (read_record_identity reads it back). A row id stays as it was here: the
    // write itself reads back the new one.
    virtual IdentityFields written(const TableShape&,
                                   IdentityFields identity,
                                   std::size_t /*column*/,
                                   const std::string& /*literal*/) const {
        return identity;
    }
    // The identity of a record just added with one literal per column (empty for
    // a column left out), as written; empty for a row id, which the connection
    // tells (sqlite3_last_insert_rowid).
    virtual IdentityFields inserted(const TableShape&, const std::vector<std::string>&) const {
        return IdentityFields();
    }

protected:
    // The expressions compared for start_condition and records_before_sql, and
    // the values they are compared with.
    virtual std::string key_terms(const TableShape&) const { return std::string(); }
    virtual std::string key_values(const IdentityFields&) const { return std::string(); }
};

// The identity of the shape's kind.
const RecordIdentity& record_identity(const TableShape& shape);

// Shorthands for the questions asked most.
inline int identity_field_count(const TableShape& shape) {
    return record_identity(shape).field_count(shape);
}
inline std::string record_condition(const TableShape& shape, const IdentityFields& identity) {
    return record_identity(shape).condition(shape, identity);
}
inline bool pages_by_key(const TableShape& shape) {
    return record_identity(shape).pages_by_key(shape);
}

// The identifying fields of the records that meet `condition`.
std::string identity_of_sql(const std::string& table,
                            const TableShape& shape,
                            const std::string& condition);
// Reads them for the one record that `condition` finds, as the database holds them
// now (a written key comes back as its column's affinity stored it); empty when
// no record, or more than one, meets it.
IdentityFields read_record_identity(sqlite3* db,
                                    const std::string& table,
                                    const TableShape& shape,
                                    const std::string& condition);
