// "--json" and "--waybar" as text, from records made by hand, and the
// continuous mode's lines.
#include "app/report.h"
#include "app/snapshot.h"
#include "base/version.h"
#include "test_support/fake_services.h"
#include "test_support/temp_dir.h"
#include "test_support/time_zone.h"
#include "texts/texts.h"
#include "usage/local_usage_reader.h"
#include "usage/log_fixture.h"

#include <gtest/gtest.h>

namespace brimlow {
namespace {

using namespace std::chrono_literals;

const Time kNow = utc("2025-10-01T12:00:00Z");

// Codex at `percent` in its five-hour window, 30 points up in the last half
// hour; Claude with one message today and one yesterday.
ReportFigures figures(double percent, std::chrono::minutes resetIn = 3h) {
    ReportFigures f;
    Quota window{percent, kFiveHourWindow, kNow + resetIn};
    Quota before = window;
    before.percent -= 30;
    f.codex.quotas = {window, {12.5, kWeekWindow, std::nullopt}};
    f.codex.samples = {{kNow - 30min, before}, {kNow, window}};
    f.codex.plan = "plus";
    f.codex.source = FiguresSource::CodexLive;
    f.claude.entries = {{"a", kNow - 1h, 10, 20, 300}, {"b", kNow - 24h, 1, 1, 1}};
    f.claude.quotas = {{50, kFiveHourWindow, kNow - 1min}};
    f.claude.source = FiguresSource::ClaudeStatusLine;
    return f;
}

TEST(Report, JsonHasEveryFieldInOneLine) {
    InTimeZone zone("UTC");
    EXPECT_EQ(
        figuresJson(figures(40), kNow),
        R"({"generatedAt":1759320000,"providers":[{"name":"Codex","plan":"plus","records":0,)"
        R"("status":"계정 한도 · 실시간 조회","today":{"cache":0,"input":0,"output":0,"total":0},)"
        R"("windows":[{"label":"5시간","lastSampleAt":1759320000,"minutes":300,"pace":)"
        R"({"percentPerHour":60.0,"projectedFullAt":1759323600,"runsOutBeforeReset":true},)"
        R"("percent":40.0,"resetsAt":1759330800},{"label":"주간","lastSampleAt":null,)"
        R"("minutes":10080,"pace":null,"percent":12.5,"resetsAt":null}]},{"name":"Claude",)"
        R"("plan":null,"records":2,"status":"Claude Code 한도 스냅샷 · 로컬 토큰","today":)"
        R"({"cache":300,"input":10,"output":20,"total":330},"windows":[{"label":"5시간",)"
        R"("lastSampleAt":null,"minutes":300,"pace":null,"percent":50.0,"resetsAt":1759319940}]}],)"
        R"("version":")" +
            std::string(kVersion) + R"("})");
}

TEST(Report, WaybarClassFollowsTheMostPressingCurrentWindow) {
    InTimeZone zone("UTC");
    struct Case {
        double percent;
        std::chrono::minutes resetIn;
        const char* level;
    } cases[] = {
        {40, 10min, "normal"},   // the reset comes long before the end
        {79.5, 10min, "normal"}, // the percent itself, as the panel's orange
        {80, 10min, "warning"},  {95, 10min, "critical"},
        {40, 3h, "critical"}, // runs out at 13:00, before the reset
    };
    for (const auto& c : cases) {
        std::string bar = waybarJson(figures(c.percent, c.resetIn), kNow, plainTimeOfDay);
        EXPECT_NE(bar.find(std::string(R"("class":")") + c.level + "\""), std::string::npos)
            << c.percent << ": " << bar;
    }
    EXPECT_EQ(
        waybarJson(figures(40), kNow, plainTimeOfDay),
        R"({"class":"critical","percentage":40,"text":"C 40%  A 330","tooltip":"C 40%  A 330\n)"
        R"(Codex 5시간: 이 속도면 13:00에 소진\n)"
        R"(Codex 한도 사용률 · Claude 한도 사용률 또는 오늘 토큰"})");
}

// waybar's continuous mode: a line at the start and after each change.
TEST(Report, WatchingPrintsOnlyWhatChanged) {
    TempDir dir;
    auto env = privateEnvironment(dir.path());
    FakeClock clock;
    dir.write("codex/sessions/a.jsonl", testing::codexLine("2025-10-01T11:00:00Z", 100, 20) + "\n");
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    int waits = 0;
    LocalUsageReader reader;
    printReports(out, ReportFormat::Json, reader,
                 {*env, clock,
                  [] {
                      return Result<CodexLimits>(Error{ErrorKind::NotFound, ""});
                  }},
                 [&] {
                     if (++waits == 2)
                         dir.write("codex/sessions/b.jsonl",
                                   testing::codexLine("2025-10-01T11:30:00Z", 1, 1) + "\n");
                     return waits < 4;
                 });
    std::fclose(out);
    std::string lines(text, size);
    std::free(text);
    EXPECT_EQ(waits, 4);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << lines;
    EXPECT_NE(lines.find(R"("records":2)"), std::string::npos) << lines;
}

} // namespace
} // namespace brimlow
