#pragma once

// The libFuzzer entry point of one target: the input goes through its check; a problem is printed and
// the program aborts, so libFuzzer keeps the input as a crash.

#include "fuzz/fuzz_checks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define KALVORA_FUZZ_TARGET(check)                                                                           \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)                                  \
    {                                                                                                        \
        const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));           \
        if (const kalvora::fuzz::Problem problem = kalvora::fuzz::check(input)) {                            \
            std::fprintf(stderr, "%s\n", problem->c_str());                                                  \
            std::abort();                                                                                    \
        }                                                                                                    \
        return 0;                                                                                            \
    }
