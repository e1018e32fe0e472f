#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

// A file made by another program may order its indexes and keys by a collation
// only that program has (a phone's LOCALIZED or UNICODE). SQLite cannot read such
// an index, nor a table keyed by one, without a collation of that name. For
// reading, the connection gets a stand-in: the user's language's order for the
// well-known names, byte order for any other. Nothing is ever written in a
// stand-in's order: a value placed by it would sit where the file's own program
// does not look, and that program would find its file damaged. So every write that
// would add to, take from or rebuild such an index or key is refused before it
// runs, through the connection's authorizer, with a message that names the
// collation.
namespace stand_in {

// Reads the schema of the connection's main database: registers a stand-in for
// each collation that it names and the connection lacks, and guards the tables
// whose indexes or keys a stand-in orders. Called once the file is open and after
// its tables changed.
void survey(sqlite3* db);
// The same where a statement has changed the schema since the last survey; costs
// nothing otherwise.
void survey_if_changed(sqlite3* db);

// The collations that have a stand-in (UTF-8, in the order first met); empty when
// the file names none the program lacks.
std::vector<std::string> names(sqlite3* db);

// The table keeps its records in a stand-in's order (a table without row ids
// keyed by one), or a column is declared with one, so that sorting by it may go
// through an index in that order: a page cannot start next to a record by a
// comparison (the stand-in's order is not the order the file keeps), only at an
// offset.
bool orders_by_stand_in(sqlite3* db, const std::string& table);

// Whether a record of `table` may be changed here: true, with the refusal noted
// (see refusal_message), where the connection's guard would refuse adding a record
// (`column` empty) or changing the value of `column` (UTF-8). Asked before an
// editor opens, so that the user hears at once rather than after typing.
bool refuses_record_change(sqlite3* db, const std::string& table, const std::string& column);

// An index or the key of `table` orders `column` (UTF-8 names) by a collation that
// has only a stand-in: the index keeps the file's order, in which a seek by the
// stand-in's comparison could pass records by.
bool column_ordered_by_stand_in(sqlite3* db, const std::string& table, const std::string& column);

// For the SQL editor: true, with the refusal noted (see refusal_message), for a
// statement that would build an index in a stand-in's order: one that writes and
// names such a collation, or VACUUM (which rebuilds every index).
bool refuses_statement(sqlite3* db, sqlite3_stmt* statement);

// The program's text (UTF-8) for the last write refused, or null when none was.
const char* refusal_message(sqlite3* db);

}  // namespace stand_in
