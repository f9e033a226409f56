// Pictures per second of the runner's renderer: a synthetic 500 x 500 gauge
// of 100 elements (a background, 60 small images, a rotating needle, a tape
// behind a mask, 20 texts and 18 shapes) drawn from one frame, with the
// needle and tape moved between pictures. BM_DrawGauge is drawing alone,
// BM_DrawGaugeAndEncode adds the PNG encoding; read the "pictures" rate.
#include <benchmark/benchmark.h>
#include <stb/stb_image_write.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runner/aircraft/sim_state.h"
#include "runner/base/diagnostics.h"
#include "runner/drawing/pictures.h"
#include "runner/drawing/renderer.h"
#include "runner/gauges/gauge_file.h"
#include "runner/gauges/panel.h"
#include "runner/language/engine.h"

namespace {

namespace fs = std::filesystem;

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                             static_cast<size_t>(size));
}

void WriteBmp(const fs::path& path, int width, int height, uint32_t colour, uint32_t border) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width * height * 3));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool edge = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      const uint32_t c = edge ? border : colour ^ static_cast<uint32_t>((x * 7 + y * 3) & 0x1F);
      uint8_t* p = &rgb[static_cast<size_t>((y * width + x) * 3)];
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
    }
  }
  std::string bytes;
  stbi_write_bmp_to_func(Append, &bytes, width, height, 3, rgb.data());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string SyntheticGauge() {
  std::string xml = "<Gauge Name='Synthetic'><Image Name='bg.bmp'/>\n";
  for (int i = 0; i < 60; ++i) {
    xml += "<Element><Position X='" + std::to_string(20 + (i % 10) * 46) + "' Y='" +
           std::to_string(20 + (i / 10) * 46) + "'/><Image Name='icon" + std::to_string(i % 4) +
           ".bmp'/></Element>\n";
  }
  xml +=
      "<Element><Position X='250' Y='250'/><Image Name='needle.bmp'><Axis X='20' Y='5'/>"
      "</Image><Rotate><Value>(L:angle)</Value></Rotate></Element>\n"
      "<Element><Position X='420' Y='100'/><MaskImage Name='mask.bmp'><Axis X='0' Y='100'/>"
      "</MaskImage><Image Name='tape.bmp'><Nonlinearity><Item Value='0' X='0' Y='1900'/>"
      "<Item Value='1000' X='0' Y='100'/></Nonlinearity></Image><Shift><Value>(L:tape)</Value>"
      "</Shift></Element>\n";
  for (int i = 0; i < 20; ++i) {
    xml += "<Element><Position X='" + std::to_string(10 + (i % 5) * 90) + "' Y='" +
           std::to_string(330 + (i / 5) * 30) +
           "'/><Text X='80' Y='20' Length='6' Font='Arial' Color='#FFD040' Adjust='Center' "
           "VerticalAdjust='Center'><String>%((L:angle) 100 *)%!05d!</String></Text>"
           "</Element>\n";
  }
  for (int i = 0; i < 18; ++i) {
    xml += "<Element><Position X='" + std::to_string(10 + (i % 6) * 80) + "' Y='" +
           std::to_string(450 + (i / 6) * 15) +
           "'/><Rectangle Width='60' Height='10' FillColor='#2060C0' Color='white'/></Element>\n";
  }
  return xml + "</Gauge>\n";
}

struct Fixture {
  fs::path folder;
  std::ostringstream err;
  runner::Diagnostics diagnostics{&err};
  runner::SimState sim;
  runner::Engine engine{nullptr, &sim, &diagnostics};
  runner::Panel panel{&engine, &sim, &diagnostics};
  runner::FontLibrary fonts{&diagnostics};
  std::unique_ptr<runner::GaugeRenderer> renderer;
  std::vector<runner::GaugeFrame> frames;
  size_t needle = 60;
  size_t tape = 61;

  Fixture() {
    folder = fs::temp_directory_path() / "vellomar-drawing-bench";
    fs::create_directories(folder);
    WriteBmp(folder / "bg.bmp", 500, 500, 0x303438, 0x000000);
    for (int i = 0; i < 4; ++i) {
      WriteBmp(folder / ("icon" + std::to_string(i) + ".bmp"), 40, 40,
               0x40A060 + static_cast<uint32_t>(i) * 0x202020, 0x000000);
    }
    WriteBmp(folder / "needle.bmp", 200, 11, 0xF0F0F0, 0x000000);
    WriteBmp(folder / "tape.bmp", 60, 2000, 0x806040, 0x000000);
    WriteBmp(folder / "mask.bmp", 60, 200, 0x010101, 0x010101);
    std::ofstream(folder / "synthetic.xml") << SyntheticGauge();
    runner::GaugeModel model;
    runner::Diagnostic problem;
    if (!runner::LoadGaugeFile((folder / "synthetic.xml").u8string(), &model, &problem)) return;
    panel.set_keep_elements(true);
    panel.AddGauge(model);
    panel.RunFrame(1, &frames);
    renderer = std::make_unique<runner::GaugeRenderer>(panel.model(0), &fonts, &diagnostics);
  }
  ~Fixture() { fs::remove_all(folder); }

  void Move(int64_t picture) {
    runner::ElementState& needle_state = frames[0].elements[needle];
    needle_state.has_rotate = true;
    needle_state.rotate = static_cast<double>(picture % 628) / 100;
    runner::ElementState& tape_state = frames[0].elements[tape];
    tape_state.has_shift = true;
    tape_state.shift = static_cast<double>(picture % 1000);
  }
};

// Draws a picture per iteration, and encodes it as PNG with `encode`.
void DrawPictures(benchmark::State& state, bool encode) {
  Fixture fixture;
  if (!fixture.renderer || fixture.frames[0].elements.size() != 100) {
    state.SkipWithError("the synthetic gauge did not load whole");
    return;
  }
  runner::Picture picture;
  int64_t count = 0;
  for (auto _ : state) {
    fixture.Move(count++);
    fixture.renderer->Draw(fixture.frames[0], 1, &picture);
    if (encode) {
      const std::string png = runner::EncodePng(picture);
      benchmark::DoNotOptimize(png.data());
    } else {
      benchmark::DoNotOptimize(picture.rgba.data());
    }
  }
  state.counters["pictures"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DrawGauge(benchmark::State& state) { DrawPictures(state, false); }
BENCHMARK(BM_DrawGauge)->Unit(benchmark::kMillisecond);

void BM_DrawGaugeAndEncode(benchmark::State& state) { DrawPictures(state, true); }
BENCHMARK(BM_DrawGaugeAndEncode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
