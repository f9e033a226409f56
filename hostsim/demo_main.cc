// vellomar-demo: loads the module beside it the way the simulator does and
// plays one gauge's requests against it, printing what the gauge would see.
//
//   vellomar-demo [MODULE]
#include <cstdio>
#include <string>

#include "hostsim/host.h"

namespace {

std::string DefaultModulePath(const char* argv0) {
  std::string dir = argv0;
  const size_t slash = dir.find_last_of("/\\");
  dir = slash == std::string::npos ? "." : dir.substr(0, slash);
#if defined(_WIN32)
  return dir + "/vellomar.dll";
#else
  return dir + "/libvellomar.so";
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : DefaultModulePath(argv[0]);
  hostsim::Host host;
  std::string error;
  if (!host.Load(path, &error)) {
    std::fprintf(stderr, "vellomar-demo: %s\n", error.c_str());
    return 1;
  }
  host.FillPanels();
  host.Start();
  hostsim::PanelObject panel = host.Registered("VELLOMAR");
  if (!panel) {
    std::fprintf(stderr, "vellomar-demo: %s registered no VELLOMAR callback\n", path.c_str());
    return 1;
  }
  hostsim::AircraftObject aircraft(panel.CreateAircraftCCallback(0));
  hostsim::GaugeObject gauge(aircraft.CreateGaugeCCallback());
  auto id = [&panel](const char* keyword) {
    int32_t result = -1;
    panel.ConvertStringToProperty(keyword, &result);
    return result;
  };

  std::printf("loaded %s\n", path.c_str());
  const char* names = "Names";  // one text, kept alive: it names the array
  gauge.SetNumber(id("SetArraySize"), 10);
  std::printf("10 (>C:VELLOMAR:SetArraySize)\n");
  const bool created = gauge.SetText(id("CreateStringArray"), names);
  std::printf("'Names' (>C:VELLOMAR:CreateStringArray, string)   -> %s\n",
              created ? "created" : "failed");
  gauge.SetNumber(id("SetWriteIndex"), 3);
  gauge.SetText(id("SetStringValue"), "abc");
  std::printf("3 (>C:VELLOMAR:SetWriteIndex) 'abc' (>C:VELLOMAR:SetStringValue, string)\n");
  gauge.SetNumber(id("SetReadIndex"), 3);
  const char* text = nullptr;
  gauge.GetText(id("GetStringValue"), &text);
  std::printf("3 (>C:VELLOMAR:SetReadIndex) (C:VELLOMAR:GetStringValue, string)   -> %s\n", text);
  double token = 0;
  gauge.GetNumber(id("GetArrayToken"), &token);
  std::printf("(C:VELLOMAR:GetArrayToken, number)   -> %.0f\n", token);
  gauge.SetText(id("Callsign"), "VLM123");
  gauge.GetText(id("callsign"), &text);
  std::printf("'VLM123' (>C:VELLOMAR:Callsign, string) (C:VELLOMAR:callsign, string)   -> %s\n",
              text);

  std::printf("GetMaxVars() = %d, GetFirstUserVar() = %d, GetFirstArray() %s\n",
              host.exports().get_max_vars(), host.exports().get_first_user_var(),
              host.exports().get_first_array() != nullptr ? "holds 1 array" : "is empty");
  gauge.Release();
  aircraft.Release();
  host.Stop();
  return 0;
}
