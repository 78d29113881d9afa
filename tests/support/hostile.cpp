// The hostile description texts: see hostile.h.
#include "hostile.h"

#include "engine_test.h"

#if defined(__SANITIZE_ADDRESS__)
#define SPRIG_SLOW_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPRIG_SLOW_BUILD 1
#endif
#endif

static std::string repeat(const std::string &s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; i++)
        out += s;
    return out;
}

std::vector<hostile_t> hostileInputs() {
#ifdef SPRIG_SLOW_BUILD
    const uint32_t budget = 2000000; /* the default budget takes seconds under the sanitizers */
#else
    const uint32_t budget = LSYS_DEFAULT_TOKEN_LIMIT;
#endif
    const uint32_t flood = 100000;
    std::string bytes, names = "recursion 2\naxiom A\n";
    for (int c = 1; c < 256; c++)
        bytes += (char)c;
    for (int c = 33; c < 256; c++)
        if (c != '#' && c != '@')
            names += std::string("rule ") + (char)c + "=F+" + (char)(c == 255 ? 33 : c + 1) + "\n";
    // clang-format off
    return {
        {"huge_numbers", "recursion 1e30\nangle 1e38\nthickness 1e38\nmin_thickness 3e38\n"
         "axiom F(3e38)+F(-3e38)&(1e38)F>(1e38)F'(1e38)F\n", "recursion depth limited to 100", 0},
        {"huge_integers", "poly_limit 99999999999999999999\nshape 4294967296\n"
         "color 99999999999 1 1 1\naxiom c(1e30)Fc(-1e30)Fc(65537)F\n", nullptr, 0},
        {"out_of_range_colour_indices", "axiom c(101)Fc(-3)Fc(32767)F+c(32767)Fc(-32768)F\n", nullptr, 0},
        {"nan_and_infinity", "recursion nan\nangle nan\nthickness inf\ntrope nan\nrand inf\naxiom "
         "F(nan)+(inf)F(inf)&(nan)F!(nan)F?(inf)F:(nan)+F'(nan)Fc(nan)F~F~(nan)Ft(inf)F$F\n", nullptr, 0},
        {"nan_prisms", "shape 0\nangle nan\naxiom F+F&F>F{.f+f+f}\n", nullptr, 0},
        {"nan_polygon", "angle nan\naxiom {.f+f+f+f}{.f(inf)f(nan)f}\n", nullptr, 0},
        {"fraction_of_huge_growth", "recursion 65535.5\naxiom X\nrule X=F+X\n", "recursion depth limited to 100", 0},
        {"deep_branches", "recursion 100\naxiom X\nrule X=[[[[[[[[[[[+FX\n", "stack [] overflow - 1024", 0},
        {"vertex_flood", "recursion 5\naxiom {X}\nrule X=f+fXXXXXX\n", "too many vertices", 0},
        {"balanced_deep_nesting", "recursion 100\naxiom X\nrule X=[[[[[[[[[[[+FX]]]]]]]]]]]\n", "stack [] underflow", 0},
        {"million_character_axiom_line", "axiom " + repeat("F", 1000000) + "\n", "expected a rule", 0},
        {"million_character_parameter_line", "axiom " + repeat("F(1", 333334) + "\n", "missing closing ')'", 0},
        {"million_character_comment", "# " + repeat("x", 1000000) + "\naxiom F\n", nullptr, 0},
        {"hundred_thousand_line_ends", repeat("\r\n\r", 100000) + "axiom F\n", nullptr, 0},
        {"every_byte_as_a_line", bytes, nullptr, 0},
        {"every_byte_in_a_rule", "recursion 3\naxiom X\nrule X=" + bytes, nullptr, 0},
        {"every_byte_as_a_rule_name", names, nullptr, 0},
        {"parameter_without_command", "axiom (5)F(2)(3)..(2)\n", "unexpected token '('", 0},
        {"binary_zero_ends_the_text", std::string("axiom F\0garbage", 15), nullptr, 0},
        {"polygon_limit_stops_doubling", "recursion 100\naxiom F\nrule F=FF\n", "too many polygons - 500000", 0},
        {"dropped_symbols", "recursion 100\naxiom X\nrule X=XX\n", nullptr, budget},
        {"branch_flood", "recursion 100\naxiom X\nrule X=[XX\n", "stack [] overflow - 1024", flood},
        {"closing_flood", "recursion 100\naxiom X\nrule X=]XX\n", "stack [] underflow", flood},
        {"polygon_flood", "recursion 100\naxiom {X\nrule X={XX\n", "stack {} overflow - 1024", flood},
        {"closing_polygons", "recursion 100\naxiom X\nrule X=}XX\n", "stack {} underflow", flood}};
    // clang-format on
}
