// The translators' command-line tool: exports the translation table file to PO
// or CSV and imports the translated file back into the table.
//
//   qxtable export TABLEFILE --lang N --format po|csv [-o OUT] [--codepage CP]
//   qxtable import TABLEFILE TRANSLATIONS [--lang N] [--format po|csv] [--codepage CP]
//   qxtable stats TABLEFILE
//
// Exit codes: 0 done, 1 a problem was reported, 2 bad usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qx::tabletool {

// Runs one command. `args` excludes the program name. An export without -o
// goes to `out`, as do the statistics; messages go to `err`.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qx::tabletool
