// The one list of host entries: slot order, conventions and argument counts.
#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <type_traits>

#include "shell/binding.h"
#include "shell/host_calls.h"

namespace {

// Number of parameters of a function type, the variadic part not counted.
template <typename F> struct Arity;
template <typename R, typename... A> struct Arity<R(A...)> {
    static constexpr int value = sizeof...(A);
    static constexpr bool variadic = false;
};
template <typename R, typename... A> struct Arity<R(A..., ...)> {
    static constexpr int value = sizeof...(A);
    static constexpr bool variadic = true;
};

// argc of each line agrees with its parameter list, and only caller-cleaned
// entries are variadic.
#define HOST_ENTRY(number, name, conv, argc, result, params)                                          \
    static_assert(Arity<host_types::name>::value == argc, #name ": argc disagrees with its parameters"); \
    static_assert(!Arity<host_types::name>::variadic || HOST_CONVENTION_##conv == HostCdecl,            \
                  #name ": a variadic entry must be caller-cleaned");
#include "contract/host_entries.h"
#undef HOST_ENTRY

TEST(HostEntryList, HoldsTheSlotListInOrder)
{
    const int expected[] = {
        52028, 52029, 52158, 21285, 21287, 21284, 41399, 32300, 32408, 30204, 30520, 30908, 31708, 52081, 52082,
        38400, 52023, 35804, 52030, 52130, 52133, 40404, 52161, 35387, 21281, 52534, 52305, 52307, 52308, 20902,
        20903, 20967, 20958, 20959, 20960, 20961, 20962, 20963, 20964, 20965, 20966, 20957, 20948, 20949, 20950,
        20951, 20952, 20953, 20954, 20955, 20956, 20947, 20938, 20939, 20940, 20941, 20942, 20943, 20944, 20945,
        20946, 20937, 24002, 24003, 24004, 24007, 52228, 52230, 52233, 52234, 52015, 52016, 51594, 52256, 52260,
        52465, 51425, 52003, 52541, 50516, 52461, 52327, 52328, 52352, 50704, 52278, 52279, 52281, 52467, 52314};
    ASSERT_EQ(kHostEntryCount, static_cast<int>(std::size(expected)));
    for (int i = 0; i < kHostEntryCount; ++i)
        EXPECT_EQ(kHostEntries[i].number, expected[i]) << "slot " << i;
}

TEST(HostEntryList, CallerCleanedEntriesAreExactlyTheDocumentedOnes)
{
    const std::set<int> callerCleaned = {41399, 52029, 52541, 21281, 21284, 21285, 21287, 24007, 52023};
    for (const HostEntryInfo& e : kHostEntries) {
        const bool method = (e.number >= 20937 && e.number <= 20967) || e.number == 20902 || e.number == 20903 ||
                            (e.number >= 24002 && e.number <= 24004);
        const HostConvention want = method ? HostThiscall : callerCleaned.count(e.number) ? HostCdecl : HostStdcall;
        EXPECT_EQ(e.convention, want) << e.name;
    }
}

TEST(HostEntryList, TwoDigitRuleGivesTheDocumentedFallbacks)
{
    const std::set<int> withFallback = {41399, 32300, 38400, 32408, 30204, 30520, 30908, 31708, 40404, 50516,
                                        50704, 35804, 52028, 52308, 52228, 52016, 52256, 52328, 52352, 20940,
                                        20944, 20948, 20952, 20956, 24004};
    for (const HostEntryInfo& e : kHostEntries)
        EXPECT_EQ(EntryHasFallback(e.number), withFallback.count(e.number) == 1) << e.name;
}

} // namespace
