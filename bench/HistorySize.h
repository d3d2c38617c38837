#pragma once

#include <QtGlobal>

#include <cstdlib>
#include <cstring>

// How many items a history benchmark holds: the first argument when it is a
// number (taken out of the arguments, so Google Benchmark's own flags still
// work), else $BRIMVALE_BENCH_ITEMS, else 100,000.
inline int historySizeArgument(int &argc, char **argv)
{
    if (argc > 1 && argv[1][0] >= '0' && argv[1][0] <= '9') {
        const int size = std::atoi(argv[1]);
        for (int i = 1; i + 1 < argc; ++i)
            argv[i] = argv[i + 1];
        --argc;
        return size;
    }
    if (const int size = qEnvironmentVariableIntValue("BRIMVALE_BENCH_ITEMS"); size > 0)
        return size;
    return 100000;
}
