// Binding the host's entry points: all or nothing, and only once.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/BeckyAPI.h"

namespace vornek {
namespace {

void BKAPI SomeEntry() {}

// A host module made of a table: every name resolves except those in `missing`.
class TableResolver : public HostModuleResolver {
  public:
    BkModule module = 0x400000;
    std::set<std::string> missing;
    std::vector<std::string> asked;
    int moduleCalls = 0;

    BkModule Module() override {
        ++moduleCalls;
        return module;
    }
    RawEntry Find(BkModule, const char* name) override {
        asked.emplace_back(name);
        return missing.count(name) ? nullptr : reinterpret_cast<RawEntry>(&SomeEntry);
    }
};

std::vector<std::string> AllNames() {
    std::vector<std::string> names;
#define VORNEK_NAME(name, type) names.emplace_back(#name);
    VORNEK_BKA_ENTRIES(VORNEK_NAME)
#undef VORNEK_NAME
    return names;
}

TEST(host_binding_test, binds_all_52_entry_points_in_order) {
    TableResolver resolver;
    TBeckyAPI api;
    EXPECT_EQ(api.FInstance, 0);
    ASSERT_TRUE(api.InitAPI(resolver));
    EXPECT_EQ(api.FInstance, 0x400000);
    EXPECT_EQ(resolver.asked, AllNames());
    EXPECT_EQ(static_cast<int>(resolver.asked.size()), kHostEntryCount);
    EXPECT_EQ(resolver.asked.front(), "BKA_GetVersion");
    EXPECT_EQ(resolver.asked.back(), "BKA_SerializeRcpts");
    EXPECT_NE(api.BKA_SetSource, nullptr);
    EXPECT_NE(api.BKA_SerializeRcpts, nullptr);
}

TEST(host_binding_test, a_missing_entry_point_stops_the_binding) {
    struct Case {
        const char* missing;
        std::size_t lookedUp;
    };
    const Case cases[] = {{"BKA_GetVersion", 1}, {"BKA_GetSource", 23}, {"BKA_SerializeRcpts", 52}};
    for (const Case& c : cases) {
        TableResolver resolver;
        resolver.missing = {c.missing};
        TBeckyAPI api;
        EXPECT_FALSE(api.InitAPI(resolver)) << c.missing;
        EXPECT_EQ(api.FInstance, 0) << c.missing;
        EXPECT_EQ(resolver.asked.size(), c.lookedUp) << c.missing;
    }
}

TEST(host_binding_test, a_module_handle_below_32_means_no_host) {
    for (BkModule module : {BkModule{0}, BkModule{31}, BkModule{-1}}) {
        TableResolver resolver;
        resolver.module = module;
        TBeckyAPI api;
        EXPECT_FALSE(api.InitAPI(resolver));
        EXPECT_EQ(api.FInstance, 0);
        EXPECT_TRUE(resolver.asked.empty());
    }
}

TEST(host_binding_test, a_second_call_after_success_looks_nothing_up) {
    TableResolver resolver;
    TBeckyAPI api;
    ASSERT_TRUE(api.InitAPI(resolver));
    resolver.asked.clear();
    resolver.missing = {"BKA_GetVersion"};
    EXPECT_TRUE(api.InitAPI(resolver));
    EXPECT_TRUE(resolver.asked.empty());
    EXPECT_EQ(resolver.moduleCalls, 1);
}

TEST(host_binding_test, a_failed_binding_can_be_retried) {
    TableResolver resolver;
    resolver.missing = {"BKA_Free"};
    TBeckyAPI api;
    ASSERT_FALSE(api.InitAPI(resolver));
    resolver.missing.clear();
    EXPECT_TRUE(api.InitAPI(resolver));
    EXPECT_EQ(api.FInstance, 0x400000);
}

}  // namespace
}  // namespace vornek
