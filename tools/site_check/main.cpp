#include "site_check/console.h"
#include "site_check/site_check.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    using namespace qx::sitecheck;
    const Texts texts(systemLanguage(), ansiFromUtf8);
    try {
        Options options;
        try {
            options = parseArguments(std::vector<std::string>(argv + 1, argv + argc));
        } catch (const UsageError& e) {
            std::cerr << forConsole(texts(Msg::UsageError, {texts(e.reason, e.args)}) + "\n" + texts(Msg::Usage));
            return 2;
        }
        if (options.help) {
            std::cout << forConsole(texts(Msg::Usage));
            return 0;
        }
        StreamSink sink(std::cout, forConsole);
        Report report(sink, texts);
        return runChecks(options, report, Platform{programBits(), localNow});
    } catch (const std::exception& e) {
        std::cerr << forConsole("qxcheck: " + std::string(e.what()) + "\n");
        return 1;
    }
}
