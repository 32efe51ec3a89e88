#include "support/app_test.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The test home comes before the application object, so that Qt reads no
// real folder either.
int runInHome(AppTestRun run, int argc, char** argv) {
    const TestHome home;
    QApplication application(argc, argv);
    return run(argc, argv);
}

} // namespace

// "program TestClass [Qt Test arguments]" runs that class (ctest has one entry
// per class); without a class, each runs in turn in a process of its own, so
// none inherits another's application object or home.
int main(int argc, char** argv) {
    if (argc > 1 && appTests().contains(argv[1])) {
        const AppTestRun run = appTests().at(argv[1]);
        argv[1] = argv[0];
        return runInHome(run, argc - 1, argv + 1);
    }
    int failed = 0;
    for (const auto& [name, run] : appTests()) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0)
            std::exit(runInHome(run, argc, argv));
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s failed\n", name.c_str());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
