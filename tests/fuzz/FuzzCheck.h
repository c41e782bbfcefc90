#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// A broken invariant is a finding like a crash: libFuzzer keeps the input that caused it.
#define QV_FUZZ_CHECK(condition) \
    ((condition) ? void() : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition), std::abort()))

// The body of a fuzz target, given each input as a std::string_view named input.
#define QV_FUZZ_TARGET \
    static void fuzzOne(std::string_view input); \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) \
    { \
        fuzzOne(std::string_view(reinterpret_cast<const char*>(data), size)); \
        return 0; \
    } \
    static void fuzzOne(std::string_view input)

using namespace qv;
