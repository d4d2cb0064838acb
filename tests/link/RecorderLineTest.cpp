// Where a recorder answers after a download that changes its own line settings.
#include "link/RecorderLine.h"
#include "link/RegisterSet.h"

#include <gtest/gtest.h>

TEST(RecorderLine, TheInterfaceThePortUsesAndWhereItAnswersAfterwards)
{
    // RS232 then RS422/485: address, protocol, baud code, parity code, data length, stop bit, response time.
    const auto set = [](std::array<int, 14> regs) {
        RegisterSet s;
        for (int k = 0; k < 14; ++k)
            s.setReg(40031 + k, static_cast<quint16>(regs[k]));
        return s;
    };
    PortSettings line; // 9600,N,8,1
    struct Case { const char* what; RegisterSet before, after; const char* was; const char* now; };
    const Case cases[] = {
        {"RS485 at the line's speed", set({3, 0, 1, 0, 8, 1, 0, 3, 0, 0, 0, 8, 1, 0}),
         set({3, 0, 1, 0, 8, 1, 0, 5, 0, 1, 2, 8, 1, 0}), "address 3, 9600,N,8,1 (RS422/485)",
         "address 5, 19200,E,8,1 (RS422/485)"},
        {"RS232 when only it has the address", set({3, 0, 0, 0, 8, 1, 0, 9, 0, 0, 0, 8, 1, 0}),
         set({3, 0, 3, 1, 7, 2, 0, 9, 0, 0, 0, 8, 1, 0}), "address 3, 9600,N,8,1 (RS232)", "address 3, 57600,O,7,2 (RS232)"},
        {"the address at the line's speed first", set({3, 0, 0, 0, 8, 1, 0, 3, 0, 2, 0, 8, 1, 0}),
         set({4, 0, 0, 0, 8, 1, 0, 3, 0, 2, 0, 8, 1, 0}), "address 3, 9600,N,8,1 (RS232)", "address 4, 9600,N,8,1 (RS232)"},
        {"neither has the address", set({7, 0, 0, 0, 8, 1, 0, 8, 0, 0, 0, 8, 1, 0}), RegisterSet(), "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RecorderLine was = LineOf(c.before, 3, line);
        const RecorderLine now = LineAfter(was, c.after);
        EXPECT_EQ(was.known ? LineText(was) : QString(), QString::fromLatin1(c.was));
        EXPECT_EQ(now.known ? LineText(now) : QString(), QString::fromLatin1(c.now));
    }
}
