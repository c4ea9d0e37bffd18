#include "table_tool/table_tool.h"

#include "common/error.h"
#include "localisation/datapacket.h"
#include "localisation/table_file.h"
#include "table_tool/text_codec.h"
#include "table_tool/text_formats.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

namespace qx::tabletool {

namespace {

using datapacket::kColumnNames;
using datapacket::kFieldWidth;
using datapacket::Row;

constexpr std::size_t kIdColumn = 0;
constexpr std::size_t kOriginColumn = 1;
constexpr const char* kColumnHeaderField = "X-Translation-Column";

const char* const kUsage =
    "usage: qxtable export TABLEFILE --lang N --format po|csv [-o OUT] [--codepage CP]\n"
    "       qxtable import TABLEFILE TRANSLATIONS [--lang N] [--format po|csv] [--codepage CP]\n"
    "       qxtable stats TABLEFILE\n"
    "N is the translation column 1, 2 or 3 (NewString, NewString2, NewString3).\n"
    "Texts in the table are in the ANSI code page CP (default 936); PO and CSV files are UTF-8.\n";

// Thrown for a command line that makes no sense; exit code 2.
struct UsageError {
    std::string message;
};

// A problem that ends the command; exit code 1.
struct Failure {
    std::string message;
};

enum class Format { None, Po, Csv };

struct Options {
    std::string command;
    std::vector<std::string> files;
    int lang = 0;  // 0: not given
    Format format = Format::None;
    std::string output;
    unsigned codePage = kDefaultCodePage;
};

int parseNumber(const std::string& text, const std::string& option) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError{option + " takes a number, not \"" + text + "\""};
    return std::stoi(text);
}

Format formatFromName(const std::string& name) {
    if (name == "po") return Format::Po;
    if (name == "csv") return Format::Csv;
    throw UsageError{"unknown format \"" + name + "\" (po or csv)"};
}

Format formatFromExtension(const std::string& path) {
    auto dot = path.rfind('.');
    if (dot == std::string::npos) return Format::None;
    std::string ext = path.substr(dot + 1);
    for (auto& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (ext == "po" || ext == "pot") return Format::Po;
    if (ext == "csv") return Format::Csv;
    return Format::None;
}

Options parseArgs(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
            return args[++i];
        };
        if (a == "--lang") {
            o.lang = parseNumber(value(), a);
            if (o.lang < 1 || o.lang > 3)
                throw UsageError{"unknown language column " + std::to_string(o.lang) + " (1, 2 or 3)"};
        } else if (a == "--format") {
            o.format = formatFromName(value());
        } else if (a == "-o" || a == "--output") {
            o.output = value();
        } else if (a == "--codepage") {
            int cp = parseNumber(value(), a);
            if (cp <= 0 || cp > 65535 || !utf8ToAnsi("A", static_cast<unsigned>(cp)))
                throw UsageError{"unknown code page " + std::to_string(cp)};
            o.codePage = static_cast<unsigned>(cp);
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError{"unknown option " + a};
        } else if (o.command.empty()) {
            o.command = a;
        } else {
            o.files.push_back(a);
        }
    }
    return o;
}

// A text of the table for a message: UTF-8 when it converts, else with the
// bytes that do not spelled out.
std::string shown(const std::string& ansi, unsigned codePage) {
    if (auto utf8 = ansiToUtf8(ansi, codePage)) return "\"" + *utf8 + "\"";
    std::string out = "\"";
    for (unsigned char c : ansi) {
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

bool isBlank(const std::string& text) {
    for (unsigned char c : text)
        if (c > 32) return false;
    return true;
}

std::string fileNameOf(const std::string& path) {
    auto slash = path.find_last_of("/\\:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The current time in the form PO headers use, "2026-01-31 17:05+0000".
std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm* tm = std::gmtime(&now);
    char buf[32] = "";
    if (tm) std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M+0000", tm);
    return buf;
}

std::vector<Row> loadTable(const std::string& path) {
    std::optional<datapacket::Table> table;
    try {
        table = tablefile::load(path);
    } catch (const Error& e) {
        throw Failure{"cannot read table file " + path + ": " + e.message()};
    }
    if (!table) throw Failure{"table file " + path + " not found"};
    return std::move(table->rows);
}

std::string readTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure{"cannot open " + path};
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure{"cannot read " + path};
    return bytes;
}

// ---- export ----

int exportTable(const Options& o, std::ostream& out, std::ostream& err) {
    if (o.files.size() != 1) throw UsageError{"export takes one table file"};
    Format format = o.format != Format::None ? o.format : formatFromExtension(o.output);
    if (format == Format::None) throw UsageError{"export needs --format po or --format csv"};
    if (format == Format::Po && o.lang == 0) throw UsageError{"a PO export needs --lang 1, 2 or 3"};

    const std::string& tablePath = o.files[0];
    const std::vector<Row> rows = loadTable(tablePath);
    std::error_code ec;
    if (!o.output.empty() && std::filesystem::equivalent(o.output, tablePath, ec))
        throw UsageError{"the export would overwrite the table file " + tablePath};

    // Rows with a text that does not convert are left out, so that an import
    // of this file cannot touch them.
    int problems = 0;
    std::vector<std::array<std::string, datapacket::kColumnCount>> converted;
    for (const Row& row : rows) {
        std::array<std::string, datapacket::kColumnCount> texts;
        bool ok = true;
        for (std::size_t c = 0; c < row.size(); ++c) {
            auto utf8 = ansiToUtf8(row[c], o.codePage);
            if (!utf8) {
                err << "qxtable: row " << shown(row[kIdColumn], o.codePage) << ": " << kColumnNames[c]
                    << " is not valid text of code page " << o.codePage << "; row left out\n";
                ok = false;
                break;
            }
            texts[c] = std::move(*utf8);
        }
        if (!ok) {
            ++problems;
            continue;
        }
        converted.push_back(std::move(texts));
    }

    std::string text;
    if (format == Format::Po) {
        // The fields PO editors expect; the translator's editor fills in
        // translator, team and language.
        const std::string header = "Project-Id-Version: " + fileNameOf(tablePath) +
                                   "\n"
                                   "PO-Revision-Date: " + utcNow() +
                                   "\n"
                                   "Last-Translator: \n"
                                   "Language-Team: \n"
                                   "Language: \n"
                                   "MIME-Version: 1.0\n"
                                   "Content-Type: text/plain; charset=UTF-8\n"
                                   "Content-Transfer-Encoding: 8bit\n" +
                                   std::string(kColumnHeaderField) + ": " + kColumnNames[1 + o.lang] + "\n";
        std::vector<PoEntry> entries;
        for (const auto& texts : converted) {
            PoEntry e;
            e.context = texts[kIdColumn];
            e.source = texts[kOriginColumn];
            e.translation = texts[1 + o.lang];
            entries.push_back(std::move(e));
        }
        text = writePo(header, entries);
    } else {
        std::vector<std::vector<std::string>> records;
        records.emplace_back(kColumnNames.begin(), kColumnNames.end());
        for (const auto& texts : converted) records.emplace_back(texts.begin(), texts.end());
        text = writeCsv(records);
    }

    if (o.output.empty()) {
        out << text;
        out.flush();
        if (!out) throw Failure{"cannot write the export"};
    } else {
        std::ofstream file(o.output, std::ios::binary | std::ios::trunc);
        file << text;
        file.close();
        if (!file) throw Failure{"cannot write " + o.output};
    }
    err << "qxtable: exported " << converted.size() << " of " << rows.size() << " rows"
        << (o.output.empty() ? std::string() : " to " + o.output) << "\n";
    return problems ? 1 : 0;
}

// ---- import ----

struct Update {
    std::string key;  // ANSI
    std::size_t column;
    std::string value;  // ANSI
};

class ImportCollector {
public:
    ImportCollector(unsigned codePage, std::ostream& err) : codePage_(codePage), err_(err) {}

    // Converts one translation; a text that does not convert, is too long or
    // holds a NUL is reported and counted, and nothing is written then.
    void add(const std::string& keyUtf8, std::size_t column, const std::string& valueUtf8, std::size_t line) {
        auto key = utf8ToAnsi(keyUtf8, codePage_);
        if (!key) {
            problem(line, "the key \"" + keyUtf8 + "\" has characters that code page " + std::to_string(codePage_) +
                              " cannot hold");
            return;
        }
        auto value = utf8ToAnsi(valueUtf8, codePage_);
        if (!value) {
            problem(line, "the translation of \"" + keyUtf8 + "\" has characters that code page " +
                              std::to_string(codePage_) + " cannot hold (or is not UTF-8)");
            return;
        }
        if (value->find('\0') != std::string::npos) {
            problem(line, "the translation of \"" + keyUtf8 + "\" holds a NUL character");
            return;
        }
        if (value->size() > kFieldWidth) {
            problem(line, "the translation of \"" + keyUtf8 + "\" is " + std::to_string(value->size()) +
                              " bytes long; the table holds at most " + std::to_string(kFieldWidth));
            return;
        }
        // The same key twice with two texts: which one the translator meant
        // is not ours to guess.
        auto [seen, fresh] = seen_.try_emplace({*key, column}, Seen{line, *value});
        if (!fresh) {
            if (seen->second.value != *value)
                problem(line, "\"" + keyUtf8 + "\" is translated again, differently (first at line " +
                                  std::to_string(seen->second.line) + ")");
            return;
        }
        updates_.push_back({std::move(*key), column, std::move(*value)});
    }

    void problem(std::size_t line, const std::string& message) {
        err_ << "qxtable: " << file_ << ":" << line << ": " << message << "\n";
        ++problems_;
    }

    void setFile(const std::string& file) { file_ = file; }
    int problems() const { return problems_; }
    const std::vector<Update>& updates() const { return updates_; }

private:
    unsigned codePage_;
    std::ostream& err_;
    std::string file_;
    int problems_ = 0;
    std::vector<Update> updates_;
    struct Seen {
        std::size_t line;
        std::string value;
    };
    std::map<std::pair<std::string, std::size_t>, Seen> seen_;
};

// The column named in the PO header, 0 when none.
int columnFromHeader(const std::string& header) {
    const std::string name = poHeaderField(header, kColumnHeaderField);
    if (name.empty()) return 0;
    for (int lang = 1; lang <= 3; ++lang)
        if (name == kColumnNames[1 + lang]) return lang;
    throw Failure{"the PO header names an unknown language column \"" + name + "\""};
}

std::vector<std::size_t> collectPo(const std::string& text, const Options& o, ImportCollector& collector,
                                   std::ostream& err) {
    const PoFile po = parsePo(text);
    int lang = o.lang ? o.lang : columnFromHeader(po.header);
    if (lang == 0) throw UsageError{"the PO file does not name its column: give --lang 1, 2 or 3"};
    const std::size_t column = static_cast<std::size_t>(1 + lang);
    for (const PoEntry& e : po.entries) {
        if (e.fuzzy) {
            err << "qxtable: " << o.files[1] << ":" << e.line << ": \"" << e.context
                << "\" is marked fuzzy; row left unchanged\n";
            continue;
        }
        collector.add(e.context, column, e.translation, e.line);
    }
    return {column};
}

std::vector<std::size_t> collectCsv(const std::string& text, const Options& o, ImportCollector& collector) {
    const std::vector<CsvRecord> records = parseCsv(text);
    if (records.empty()) throw FormatError(1, "no header row");
    const CsvRecord& header = records[0];
    std::vector<int> columnOf;  // per CSV field: table column, or -1 for OriginString
    std::optional<std::size_t> keyField;
    std::vector<std::size_t> columns;
    for (std::size_t f = 0; f < header.fields.size(); ++f) {
        const std::string& name = header.fields[f];
        std::size_t c = 0;
        while (c < kColumnNames.size() && name != kColumnNames[c]) ++c;
        if (c == kColumnNames.size()) throw FormatError(header.line, "unknown column \"" + name + "\"");
        for (std::size_t g = 0; g < f; ++g)
            if (header.fields[g] == name) throw FormatError(header.line, "column \"" + name + "\" appears twice");
        if (c == kIdColumn) keyField = f;
        // ID and OriginString are never written; with --lang only that column.
        bool take = c > kOriginColumn && (o.lang == 0 || c == static_cast<std::size_t>(1 + o.lang));
        columnOf.push_back(take ? static_cast<int>(c) : -1);
        if (take) columns.push_back(c);
    }
    if (!keyField) throw FormatError(header.line, "no ID column");
    if (o.lang && columns.empty())
        throw Failure{"the CSV file has no column " + std::string(kColumnNames[1 + o.lang])};
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& rec = records[r];
        if (rec.fields.size() != header.fields.size())
            throw FormatError(rec.line, std::to_string(rec.fields.size()) + " fields where the header has " +
                                            std::to_string(header.fields.size()));
        for (std::size_t f = 0; f < rec.fields.size(); ++f)
            if (columnOf[f] >= 0)
                collector.add(rec.fields[*keyField], static_cast<std::size_t>(columnOf[f]), rec.fields[f], rec.line);
    }
    return columns;
}

int importTable(const Options& o, std::ostream& err) {
    if (o.files.size() != 2) throw UsageError{"import takes a table file and a translations file"};
    const std::string& tablePath = o.files[0];
    const std::string& inputPath = o.files[1];
    Format format = o.format != Format::None ? o.format : formatFromExtension(inputPath);
    if (format == Format::None) throw UsageError{"cannot tell the format of " + inputPath + ": give --format po or csv"};

    std::vector<Row> rows = loadTable(tablePath);
    const std::string text = readTextFile(inputPath);

    ImportCollector collector(o.codePage, err);
    collector.setFile(inputPath);
    std::vector<std::size_t> columns;
    try {
        columns = format == Format::Po ? collectPo(text, o, collector, err) : collectCsv(text, o, collector);
    } catch (const FormatError& e) {
        throw Failure{inputPath + ":" + std::to_string(e.line()) + ": " + e.detail()};
    }
    if (collector.problems()) {
        err << "qxtable: " << collector.problems() << " translation(s) refused; table file left unchanged\n";
        return 1;
    }

    std::multimap<std::string, std::size_t> rowsByKey;
    for (std::size_t i = 0; i < rows.size(); ++i) rowsByKey.emplace(rows[i][kIdColumn], i);
    std::vector<std::string> notFound;
    std::size_t changed = 0;
    for (const Update& u : collector.updates()) {
        auto [first, last] = rowsByKey.equal_range(u.key);
        if (first == last) {
            notFound.push_back(u.key);
            continue;
        }
        for (auto it = first; it != last; ++it) {
            std::string& cell = rows[it->second][u.column];
            if (cell != u.value) {
                cell = u.value;
                ++changed;
            }
        }
    }

    if (changed) {
        try {
            tablefile::save(tablePath, rows);
        } catch (const Error& e) {
            throw Failure{"cannot write table file " + tablePath + ": " + e.message()};
        }
    }

    for (const auto& key : notFound) err << "qxtable: key " << shown(key, o.codePage) << " not found in the table\n";
    for (std::size_t column : columns) {
        std::size_t untranslated = 0;
        for (const Row& row : rows) {
            if (!isBlank(row[column])) continue;
            ++untranslated;
            err << "qxtable: untranslated in " << kColumnNames[column] << ": " << shown(row[kIdColumn], o.codePage)
                << "\n";
        }
        err << "qxtable: " << kColumnNames[column] << ": " << rows.size() - untranslated << " of " << rows.size()
            << " rows translated\n";
    }
    err << "qxtable: " << changed << " text(s) changed; "
        << (changed ? "table file written" : "table file not written") << "\n";
    return notFound.empty() ? 0 : 1;
}

// ---- stats ----

int stats(const Options& o, std::ostream& out) {
    if (o.files.size() != 1) throw UsageError{"stats takes one table file"};
    const std::vector<Row> rows = loadTable(o.files[0]);
    out << "rows: " << rows.size() << "\n";
    for (std::size_t c = 2; c < kColumnNames.size(); ++c) {
        std::size_t translated = 0;
        for (const Row& row : rows)
            if (!isBlank(row[c])) ++translated;
        out << kColumnNames[c] << ": " << translated << " translated, " << rows.size() - translated
            << " untranslated\n";
    }
    return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        if (!args.empty() && (args[0] == "-h" || args[0] == "--help")) {
            out << kUsage;
            return 0;
        }
        const Options o = parseArgs(args);
        if (o.command == "export") return exportTable(o, out, err);
        if (o.command == "import") return importTable(o, err);
        if (o.command == "stats") return stats(o, out);
        throw UsageError{o.command.empty() ? "no command given" : "unknown command \"" + o.command + "\""};
    } catch (const UsageError& e) {
        err << "qxtable: " << e.message << "\n" << kUsage;
        return 2;
    } catch (const Failure& e) {
        err << "qxtable: " << e.message << "\n";
        return 1;
    }
}

}  // namespace qx::tabletool
