// Tests of the message store the window shows: what it keeps, counts and cuts.
#include "engine_test.h"

// Twelve kept of thirteen, each cut to the buffer (texts of 246 to 257 characters), its numbers
// printed with a point under a comma-decimal locale too; clearing empties the store.
TEST(TraceStore, KeepsTheFirstTwelveCutToTheBufferAndCountsAll) {
    const bool comma = useCommaLocale();
    const std::string x(300, 'x');
    traceClear();
    for (int i = 0; i < 13; i++)
        EXPECT_EQ(traceHook(i - 3, "%d %.1f %s", i, 1.5, x.substr(0, 240 + i).c_str()), i + 1);
    setlocale(LC_ALL, "C");
    for (int i = 0; i < TRACE_STORE; i++) {
        EXPECT_EQ(trace[i].code, i - 3);
        EXPECT_EQ(trace[i].text,
                  (std::to_string(i) + " 1.5 " + x.substr(0, 240 + i)).substr(0, TRACE_TEXT - 1))
            << "comma-decimal locale: " << comma;
    }
    traceClear();
    EXPECT_EQ(traceCount, 0);
    EXPECT_EQ(std::count_if(trace, trace + TRACE_STORE, [](trace_msg_t m) { return m.text; }), 0);
}
