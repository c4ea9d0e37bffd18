#include "duty/duty_module.h"

#include <vector>

#include "common/ansi_text.h"

namespace qx {

#ifdef _WIN32
void platformComInitialize();    // com_win.cpp
void platformComUninitialize();
#else
// No COM outside Windows; the ODBC driver manager needs none.
static void platformComInitialize() {}
static void platformComUninitialize() {}
#endif

ComCalls& comCalls() {
    static ComCalls calls{platformComInitialize, platformComUninitialize};
    return calls;
}

std::unique_ptr<TdmDuty> dmDuty;

std::string buildConnectionString(std::string_view dataSource) {
    std::string text = kConnectionStringTemplate;
    text.replace(text.find("%s"), 2, dataSource);
    return text;
}

namespace {

// ODBC reads a value containing separators only inside braces, with "}"
// doubled.
std::string odbcValue(const std::string& value) {
    if (value.find_first_of(";{}=") == std::string::npos && value == trim(value)) {
        return value;
    }
    std::string braced = "{";
    for (char c : value) {
        braced += c;
        if (c == '}') {
            braced += '}';
        }
    }
    return braced + "}";
}

}  // namespace

std::string odbcConnectionString(std::string_view connectionString) {
    std::string dsn, uid, pwd;
    size_t pos = 0;
    while (pos <= connectionString.size()) {
        size_t end = connectionString.find(';', pos);
        if (end == std::string_view::npos) {
            end = connectionString.size();
        }
        std::string_view pair = connectionString.substr(pos, end - pos);
        size_t eq = pair.find('=');
        if (eq != std::string_view::npos) {
            std::string key = asciiLower(trim(pair.substr(0, eq)));
            std::string value(pair.substr(eq + 1));
            if (key == "data source") {
                dsn = value;
            } else if (key == "user id") {
                uid = value;
            } else if (key == "password") {
                pwd = value;
            }
        }
        pos = end + 1;
    }
    return "DSN=" + odbcValue(dsn) + ";UID=" + odbcValue(uid) + ";PWD=" + odbcValue(pwd);
}

TdmDuty::TdmDuty() : connectionString_(buildConnectionString(kDefaultDataSource)) {}

TdmDuty::~TdmDuty() { DataModuleDestroy(*this); }

void TdmDuty::ConnectDatabase(const std::string& name) {
    dataSourceName_ = name.empty() ? std::string(kDefaultDataSource) : name;
    connectionString_ = buildConnectionString(dataSourceName_);
    ac1.disconnect();
    ac1.connect(odbcConnectionString(connectionString_));
}

void TdmDuty::reconnect() {
    ac1.disconnect();
    ac1.connect(odbcConnectionString(connectionString_));
}

void TdmDuty::DataModuleDestroy(TdmDuty& /*sender*/) { ac1.disconnect(); }

void OpenDutyModule() {
    if (dmDuty) {
        return;
    }
    comCalls().initialize();
    dmDuty = std::make_unique<TdmDuty>();
}

void CloseDutyModule() {
    if (!dmDuty) {
        return;
    }
    dmDuty.reset();
    comCalls().uninitialize();
}

}  // namespace qx
