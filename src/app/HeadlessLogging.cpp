#include "app/Headless.h"

#include <cstdio>

int RunHeadlessLogging(const HeadlessOptions& options)
{
    Q_UNUSED(options);
    std::fprintf(stderr, "vq800: headless logging is not available in this build\n");
    return 2;
}
