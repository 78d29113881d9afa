// Tests of the message store the window shows: what it keeps, counts and cuts.
#include "engine_test.h"

TEST(TraceStore, KeepsTheFirstTwelveCutToTheBufferAndCountsAll) {
    traceClear();
    for (int i = 0; i < 13; i++)
        EXPECT_EQ(traceHook(i - 3, "message %d of %s", i, "many"), i + 1);
    for (int i = 0; i < TRACE_STORE; i++)
        EXPECT_EQ(std::to_string(trace[i].code) + ": " + trace[i].text,
                  std::to_string(i - 3) + ": message " + std::to_string(i) + " of many");
    traceClear();
    EXPECT_EQ(traceCount, 0);
    EXPECT_EQ(std::count_if(trace, trace + TRACE_STORE, [](trace_msg_t m) { return m.text; }), 0);
    const std::string text(300, 'x');
    for (size_t length : {0, 254, 255}) {
        traceClear();
        traceHook(5, "%s", text.substr(0, length).c_str());
        EXPECT_EQ(std::string(trace[0].text), text.substr(0, std::min<size_t>(length, 254)));
    }
    traceClear();
    if (!useCommaLocale()) GTEST_SKIP() << "no comma-decimal locale on this machine";
    traceHook(CODE_INFO, "time: %0.3fms", 1.5);
    setlocale(LC_ALL, "C");
    EXPECT_STREQ(trace[0].text, "time: 1.500ms");
    traceClear();
}
