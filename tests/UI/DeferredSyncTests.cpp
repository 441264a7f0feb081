#include "Support/EventLoopWait.h"
#include "UI/DeferredSync.h"

#include <gtest/gtest.h>
#include <memory>

TEST(DeferredSync, ManyRequestsInATurnApplyOnceOnTheNextAndCancelDropsThem)
{
    int applied = 0;
    DeferredSync sync([&] { ++applied; });
    for (int i = 0; i < 5; ++i)
        sync.request();
    EXPECT_EQ(applied, 0) << "never inside the turn that asked";
    EXPECT_TRUE(waitUntil([&] { return applied > 0; }, 2000));
    runEventLoopFor(20);
    EXPECT_EQ(applied, 1);

    // An immediate update took care of it: the pending request goes.
    sync.request();
    sync.cancel();
    runEventLoopFor(20);
    EXPECT_EQ(applied, 1);
    // A change made while applying asks for one more update.
    std::unique_ptr<DeferredSync> chained;
    chained = std::make_unique<DeferredSync>([&] {
        if (++applied == 2)
            chained->request();
    });
    chained->request();
    EXPECT_TRUE(waitUntil([&] { return applied == 3; }, 2000));

    auto owned = std::make_unique<DeferredSync>([&] { ++applied; });
    owned->request();
    owned.reset();
    runEventLoopFor(20);
    EXPECT_EQ(applied, 3) << "gone with its owner";
}
