// When a device out of the round is asked again.
#include "link/RescanPolicy.h"

#include <gtest/gtest.h>

TEST(RescanPolicy, OneQuestionAtATimeBackingOffForDevicesThatStaySilent)
{
    using rescan::Device;
    const rescan::Timing t; // gap 5 s, first 5 s, each 60 s, nobody 10 s
    EXPECT_EQ(rescan::WaitAfter(0, t), 5000);
    EXPECT_EQ(rescan::WaitAfter(2, t), 20000);
    EXPECT_EQ(rescan::WaitAfter(9, t), 60000);

    struct Case { const char* what; QList<Device> devices; rescan::Line line; qint64 now; int due; };
    const Case cases[] = {
        {"all online", {{true, 0, 0}, {true, 0, 0}}, {0, -1}, 100'000, -1},
        {"too soon after the last question", {{true, 0, 0}, {false, 0, 0}}, {98'000, -1}, 100'000, -1},
        {"out of the round long enough", {{true, 0, 0}, {false, 94'000, 0}}, {0, -1}, 100'000, 1},
        {"not yet after two misses", {{true, 0, 0}, {false, 85'000, 2}}, {0, -1}, 100'000, -1},
        {"after two misses, 20 s", {{true, 0, 0}, {false, 80'000, 2}}, {0, -1}, 100'000, 1},
        {"the next after the last asked", {{false, 0, 0}, {true, 0, 0}, {false, 0, 0}}, {0, 0}, 100'000, 2},
        {"round the list", {{false, 0, 0}, {true, 0, 0}, {false, 0, 0}}, {0, 2}, 100'000, 0},
        // With nobody online there is no round to protect: each device every 10 s.
        {"nobody online", {{false, 91'000, 5}, {false, 89'000, 5}}, {99'000, 0}, 100'000, 1},
        {"nobody online, asked lately", {{false, 95'000, 0}, {false, 92'000, 0}}, {99'000, 0}, 100'000, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rescan::Due(c.devices, c.line, t, c.now), c.due) << c.what;
}
