#pragma once
// The results table: one CSV row per run, appended to a file that many runs
// may share. A row goes in with one write, under a lock, so rows of runs
// appending at the same time never mix, and the header is written once, by
// whichever run finds the file empty.

#include <string>

namespace gaussnet {

// The header row's fields, without the line end.
std::string table_header();

// Checks that the table can be appended to, so that a table that cannot be
// written stops the program before anything is learned. The file itself is
// created by the first row. A table must be a regular file (or none yet),
// not a link to nothing nor the file standard output goes to.
void check_table_file(const std::string& path);

// A line for standard error when path holds text whose first line is not
// the header row (another file, another program's table), or when an older
// table's rows cannot record a correlation other than pearson; "" otherwise.
std::string table_header_warning(const std::string& path, const char* correlation = "pearson");

// Appends row (one line, line end included), preceded by the header when the
// file is empty and by a line end when its last line has none. A row is
// whole or absent: a write that fails part-way is taken back. A table begun
// under an earlier header keeps its layout: the row goes in with only the
// columns that header has (before finished and failed were added; before
// correlation; before bootstrap, threshold and seed).
void append_table_row(const std::string& path, const std::string& row);

// The header of tables written before the bootstrap's columns were added.
std::string older_table_header();
// The header of tables written before the correlation column was added.
std::string bootstrap_table_header();
// The header of tables written before the bootstrap's counts of finished and
// failed resamples were added (it ends with correlation).
std::string header_before_counts();

}  // namespace gaussnet
