// The HUD's text layout without a context: texts, fade curves, the clock line and widths.
#include <cmath>
#include <limits>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "game/ScreenText.h"
#include "renderer/TextRenderer.h"

using namespace screenText;

namespace {

const glm::vec3 orange(0.785f, 0.45f, 0.256f);
const glm::vec3 blue(0.208f, 0.459f, 0.62f);
const glm::vec3 white(1.0f, 1.0f, 1.0f);

void expectColor(const glm::vec3& actual, const glm::vec3& expected) {
    EXPECT_NEAR(actual.r, expected.r, 1e-6f);
    EXPECT_NEAR(actual.g, expected.g, 1e-6f);
    EXPECT_NEAR(actual.b, expected.b, 1e-6f);
}

}  // namespace

TEST(ScreenTexts, AreExactlyAsShownBlanksIncluded) {
    EXPECT_STREQ(countSuffix, "  of  3");
    EXPECT_STREQ(escapeSuffix, ": Now escape!");
    EXPECT_STREQ(nameSeparator, ": ");
    EXPECT_STREQ(timeLeftPrefix, "time  left    ");
    EXPECT_STREQ(fpsPrefix, "FPS: ");
    EXPECT_STREQ(controlsHint, "[p]   pause   and   controls");
    ASSERT_EQ(introQuote.size(), 69u);
    EXPECT_EQ(introQuote.front(), '"');
    EXPECT_EQ(introQuote.back(), '"');
    EXPECT_EQ(introQuote.substr(1, 67), "Master   Thief,   you   must   steal   the   artifacts   of   power");
}

TEST(StatusLine, AlphaFadesInHoldsAndFadesOut) {
    EXPECT_EQ(statusAlpha(-5), 0.0f);
    EXPECT_EQ(statusAlpha(0), 0.0f);
    EXPECT_FLOAT_EQ(statusAlpha(1), 1.0f / 60.0f);
    EXPECT_FLOAT_EQ(statusAlpha(30), 0.5f);
    EXPECT_FLOAT_EQ(statusAlpha(59), 59.0f / 60.0f);
    EXPECT_EQ(statusAlpha(60), 1.0f);
    EXPECT_EQ(statusAlpha(240), 1.0f);
    EXPECT_FLOAT_EQ(statusAlpha(241), 1.0f - 1.0f / 60.0f);
    EXPECT_FLOAT_EQ(statusAlpha(270), 0.5f);
    EXPECT_NEAR(statusAlpha(299), 1.0f / 60.0f, 1e-6f);
    // From 300 on the line is not drawn; the saturated counters (440, the start's 999) stay dark.
    EXPECT_EQ(statusAlpha(300), 0.0f);
    EXPECT_EQ(statusAlpha(440), 0.0f);
    EXPECT_EQ(statusAlpha(999), 0.0f);
}

TEST(StatusLine, CountsPickupsThenAsksForTheEscape) {
    EXPECT_EQ(statusText("Coin  of  Command", 2), "Coin  of  Command: 1  of  3");
    EXPECT_EQ(statusText("Bone  Atlas", 1), "Bone  Atlas: 2  of  3");
    EXPECT_EQ(statusText("Eldritch  Legacy", 0), "Eldritch  Legacy: Now escape!");

    // The first line is always the name; the second keeps the blank after the colon.
    const auto second = splitAtFirstColon(statusText("Bone  Atlas", 1));
    EXPECT_EQ(second.first, "Bone  Atlas");
    EXPECT_EQ(second.second, " 2  of  3");
    const auto last = splitAtFirstColon(statusText("Eldritch  Legacy", 0));
    EXPECT_EQ(last.first, "Eldritch  Legacy");
    EXPECT_EQ(last.second, " Now escape!");
}

TEST(TwoLineSplit, CutsAtTheFirstColonOnly) {
    EXPECT_EQ(splitAtFirstColon("a:b:c"), std::make_pair(std::string("a"), std::string("b:c")));
    EXPECT_EQ(splitAtFirstColon(":x"), std::make_pair(std::string(), std::string("x")));
    EXPECT_EQ(splitAtFirstColon("x:"), std::make_pair(std::string("x"), std::string()));
    EXPECT_EQ(splitAtFirstColon("no colon here"), std::make_pair(std::string(), std::string()));
    EXPECT_EQ(splitAtFirstColon(""), std::make_pair(std::string(), std::string()));
}

TEST(TimeLeft, ShowsWholeSecondsAfterSixDecimalRounding) {
    EXPECT_EQ(remainingTimeText(65.5), "65.500000");
    EXPECT_EQ(timeLeftLine(remainingTimeText(65.5)), "time  left    01:05");
    // 59.9999999 prints as 60.000000, so the clock shows a full minute.
    EXPECT_EQ(remainingTimeText(59.9999999), "60.000000");
    EXPECT_EQ(timeLeftLine(remainingTimeText(59.9999999)), "time  left    01:00");
    EXPECT_EQ(timeLeftLine(remainingTimeText(59.4)), "time  left    00:59");
    EXPECT_EQ(timeLeftLine(remainingTimeText(90.0)), "time  left    01:30");
    EXPECT_EQ(timeLeftLine(remainingTimeText(3600.0)), "time  left    60:00");
    EXPECT_EQ(timeLeftLine(remainingTimeText(0.0)), "time  left    00:00");
}

TEST(TimeLeft, RunOutTimeStopsAtZeroInsteadOfNegativeSeconds) {
    EXPECT_EQ(remainingTimeText(-0.5), "0.000000");
    EXPECT_EQ(remainingTimeText(-1.2), "0.000000");
    EXPECT_EQ(timeLeftLine(remainingTimeText(-1.0)), "time  left    00:00");
    EXPECT_EQ(timeLeftLine(remainingTimeText(-3600.0)), "time  left    00:00");
    // A negative text handed over directly is clamped as well (it would read "00:-1").
    EXPECT_EQ(timeLeftLine("-1.000000"), "time  left    00:00");
    EXPECT_EQ(timeLeftLine("-75.000000"), "time  left    00:00");
}

TEST(TimeLeft, ClampsTimesAnIntCannotHold) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(remainingTimeText(inf), "2147483647.000000");
    EXPECT_EQ(remainingTimeText(3.0e9), "2147483647.000000");
    EXPECT_EQ(remainingTimeText(1.0e300), "2147483647.000000");
    // Just below the limit it would round up to 2147483648 with six decimals.
    EXPECT_EQ(remainingTimeText(2147483647.9999999), "2147483647.000000");
    EXPECT_EQ(remainingTimeText(-inf), "0.000000");
    EXPECT_EQ(remainingTimeText(nan), "0.000000");
    EXPECT_EQ(timeLeftLine(remainingTimeText(inf)), "time  left    35791394:07");
    EXPECT_EQ(timeLeftLine(remainingTimeText(nan)), "time  left    00:00");
}

TEST(TimeLeft, TextsThatDoNotReadAsNumbersCountAsZero) {
    EXPECT_EQ(wholeSecondsFromText(""), 0);
    EXPECT_EQ(wholeSecondsFromText(".000000"), 0);
    EXPECT_EQ(wholeSecondsFromText("inf"), 0);
    EXPECT_EQ(wholeSecondsFromText("nan"), 0);
    EXPECT_EQ(wholeSecondsFromText("abc.000000"), 0);
    EXPECT_EQ(wholeSecondsFromText("99999999999999999999999.000000"), 2147483647);
    EXPECT_EQ(wholeSecondsFromText("-99999999999999999999999.000000"), 0);
    EXPECT_EQ(wholeSecondsFromText("4294967296.000000"), 2147483647);
    EXPECT_EQ(wholeSecondsFromText("125.999999"), 125);
}

TEST(Colours, BlendPerComponent) {
    expectColor(blendColor(white, blue, 0.0f), white);
    expectColor(blendColor(white, blue, 1.0f), blue);
    expectColor(blendColor(white, blue, 0.5f), (white + blue) * 0.5f);
    expectColor(blendColor(orange, blue, 0.25f), orange + (blue - orange) * 0.25f);
}

TEST(TimeoutScreen, FailedImageFadesInOver120Ticks) {
    EXPECT_EQ(timeoutAlpha(-3), 0.0f);
    EXPECT_EQ(timeoutAlpha(0), 0.0f);
    EXPECT_FLOAT_EQ(timeoutAlpha(1), 1.0f / 120.0f);
    EXPECT_FLOAT_EQ(timeoutAlpha(60), 0.5f);
    EXPECT_FLOAT_EQ(timeoutAlpha(119), 119.0f / 120.0f);
    EXPECT_EQ(timeoutAlpha(120), 1.0f);
    EXPECT_EQ(timeoutAlpha(1850), 1.0f);
}

TEST(Layout, CentresOnTheWholePixelHalfWindow) {
    EXPECT_FLOAT_EQ(centredX(1280, 100.0f), 590.0f);
    EXPECT_FLOAT_EQ(centredX(1281, 100.0f), 590.0f);
    EXPECT_FLOAT_EQ(centredX(640, 0.0f), 320.0f);
    EXPECT_FLOAT_EQ(centredX(640, 101.0f), 269.5f);
}

TEST(GlyphWidths, SumWholePixelAdvancesAndSkipMissingCharacters) {
    std::map<char, Glyph> glyphs;
    glyphs['A'].advance = 650;   // 10.16 px: only whole pixels count
    glyphs['b'].advance = 1280;  // 20 px
    glyphs[' '].advance = 63;    // below one pixel: no width at all
    EXPECT_EQ(glyphRunWidth(glyphs, "", 1.0f), 0.0f);
    EXPECT_EQ(glyphRunWidth(glyphs, "Ab", 1.0f), 30.0f);
    EXPECT_EQ(glyphRunWidth(glyphs, "Ab", 0.5f), 15.0f);
    EXPECT_EQ(glyphRunWidth(glyphs, "A b", 1.2f), 30.0f * 1.2f);
    // No glyph: a letter the table lacks, a code above 127 (a negative char), a control code.
    EXPECT_EQ(glyphRunWidth(glyphs, "AzbA", 1.0f), 40.0f);
    EXPECT_EQ(glyphRunWidth(glyphs, std::string("A\xC3\xA9") + "b", 1.0f), 30.0f);
    EXPECT_EQ(glyphRunWidth(glyphs, std::string("A\0b", 3), 1.0f), 30.0f);
    EXPECT_EQ(glyphRunWidth({}, "anything", 1.0f), 0.0f);
}

TEST(GlyphWidths, DigitsAndHudPunctuationComeFromTheFallbackFont) {
    int fallbackCodes = 0;
    for (int code = 0; code < 128; ++code) {
        fallbackCodes += usesFallbackFont(code) ? 1 : 0;
    }
    EXPECT_EQ(fallbackCodes, 21);
    for (char c : std::string("!\"'(),-.0123456789:[]")) {
        EXPECT_TRUE(usesFallbackFont(c)) << c;
    }
    for (char c : std::string("AZaz ;/?pT|")) {
        EXPECT_FALSE(usesFallbackFont(c)) << c;
    }
}
