// velloxa-sandbox: a small SQL Server stand-in for the demo, the integration tests and the
// benchmarks. See README.md for the options.
#include "Browser.h"
#include "DatabaseSet.h"
#include "Listener.h"
#include "Options.h"
#include "TlsContext.h"

#include <csignal>
#include <iostream>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    using namespace velloxa::sandbox;
    std::signal(SIGPIPE, SIG_IGN);
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::cout << kUsage;
            return 0;
        }
    }
    Options options;
    try {
        options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "velloxa-sandbox: " << e.what() << "\n" << kUsage;
        return 2;
    }
    try {
        if (options.accounts.empty()) std::cerr << "velloxa-sandbox: no --account given; every login will be refused" << std::endl;
        const DatabaseSet databases(options.databases);
        const auto tls = options.encryption == Encryption::None ? nullptr : std::make_unique<TlsContext>();
        Listener listener(options.port);
        if (options.browser) startBrowser(listener.port());
        std::cout << "velloxa-sandbox listening on port " << listener.port() << std::endl;
        listener.serve(databases, options, tls.get());
    } catch (const std::exception& e) {
        std::cerr << "velloxa-sandbox: " << e.what() << std::endl;
        return 1;
    }
}
