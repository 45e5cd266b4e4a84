// The surround test's motion tick, which the window's 0 ms timer runs as often as the platform
// allows: the speaker-test window over the fakes, opened in surround mode and started, ticked
// with the clock one millisecond on each time. Reports the time of one tick and, over one whole
// revolution of the dot, the pixel reads and writes per tick and the driver requests per
// revolution.
#include <benchmark/benchmark.h>

#include <memory>

#include "fakes/FakeBitmaps.h"
#include "fakes/FakeClock.h"
#include "fakes/FakeDeviceIo.h"
#include "fakes/FakeDialogWindow.h"
#include "fakes/FakePad.h"
#include "fakes/FakeRegistry.h"
#include "fakes/FakeSound.h"
#include "resource_ids.h"
#include "speakertest/SpeakerTestDlg.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

// A quarter turn takes 1877.5 ms.
constexpr int kTicksPerRevolution = 7510;

class RunningSurroundTest {
 public:
  RunningSurroundTest() {
    registry.PutDword("TestMode", CSpeakerTestDlg::ModeSurround);
    registry.PutDword("TestBtnStatus", CSpeakerTestDlg::ButtonReady);
    auto window = std::make_unique<test::FakeDialogWindow>();
    window->visible = false;
    window->controls[IDC_SPEAKER_GROUP].rect = {15, 66, 246, 245};
    dlg.AttachWindow(std::move(window));
    dlg.OnInitDialog();
    dlg.OpenTest();
    dlg.OnStartStop();
    io.ClearLog();
  }
  ~RunningSurroundTest() { dlg.DestroyWindow(); }

  // One tick one millisecond after the last; the fakes' logs are emptied so that they do not
  // grow through the run.
  void Tick() {
    ++clock.now;
    dlg.OnTimer(ID_TIMER_SURROUND);
    pad.writes.clear();
    io.ClearLog();
  }

  test::FakeDeviceIo io;
  test::FakeRegistry registry;
  test::RcStringTable strings;
  test::FakeSound sound;
  test::FakeBitmaps bitmaps;
  test::FakePad pad{61, 53};  // the pad control's client area
  test::FakeClock clock;
  SurroundDotGlobals dot;
  CSpeakerTestDlg dlg{io, registry, strings, sound, bitmaps, pad, clock, dot};
};

struct RevolutionCounts {
  double readsPerTick = 0;
  double writesPerTick = 0;
  double requestsPerRevolution = 0;
};

RevolutionCounts CountOneRevolution(RunningSurroundTest& test) {
  const int readsBefore = test.pad.reads;
  std::size_t writes = 0;
  std::size_t requests = 0;
  for (int tick = 0; tick < kTicksPerRevolution; ++tick) {
    ++test.clock.now;
    test.dlg.OnTimer(ID_TIMER_SURROUND);
    writes += test.pad.writes.size();
    requests += test.io.requests.size();
    test.pad.writes.clear();
    test.io.ClearLog();
  }
  return {static_cast<double>(test.pad.reads - readsBefore) / kTicksPerRevolution,
          static_cast<double>(writes) / kTicksPerRevolution, static_cast<double>(requests)};
}

void SurroundMotionTick(benchmark::State& state) {
  RunningSurroundTest test;
  if (!test.dlg.m_bShown || test.dlg.m_dwTestBtnStatus != CSpeakerTestDlg::ButtonRunning) {
    state.SkipWithError("the surround test did not start");
    return;
  }
  const RevolutionCounts counts = CountOneRevolution(test);
  for (auto _ : state) test.Tick();
  state.counters["pixel_reads_per_tick"] = counts.readsPerTick;
  state.counters["pixel_writes_per_tick"] = counts.writesPerTick;
  state.counters["requests_per_revolution"] = counts.requestsPerRevolution;
}

BENCHMARK(SurroundMotionTick)->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace quendal

BENCHMARK_MAIN();
