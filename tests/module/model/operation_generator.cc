#include "tests/module/model/operation_generator.h"

#include <cmath>
#include <limits>

namespace vellomar::model {

namespace {

enum Operation : uint32_t {
  kStart,
  kStop,
  kFillPanels,
  kClearPanels,
  kHostNumberCode,
  kImportTable,
  kTakePanel,
  kCreateAircraft,
  kCreateGauge,
  kAddRef,
  kRelease,
  kFixedAnswers,
  kResolve,
  kKeywordOf,
  kUnitsOf,
  kGetText,
  kGetNumber,
  kSetText,
  kSetNumber,
};

// Relative frequencies: property traffic dominates, lifecycle events are rare
// enough that storage builds up between them.
constexpr Operation kMix[] = {
    kStart,          kStop,        kFillPanels, kClearPanels, kHostNumberCode, kTakePanel,
    kCreateAircraft, kCreateGauge, kAddRef,     kRelease,     kFixedAnswers,   kResolve,
    kResolve,        kResolve,     kKeywordOf,  kUnitsOf,     kGetText,        kGetText,
    kGetText,        kGetNumber,   kGetNumber,  kGetNumber,   kSetText,        kSetText,
    kSetText,        kSetText,     kSetNumber,  kSetNumber,   kSetNumber,      kSetNumber,
    kSetNumber,      kSetNumber,   kImportTable};
constexpr uint32_t kMixSize = sizeof(kMix) / sizeof(kMix[0]);

const double kSpecialNumbers[] = {
    std::numeric_limits<double>::quiet_NaN(),
    -std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::denorm_min(),
    std::numeric_limits<double>::max(),
    -0.0,
    0.0,
    -0.5,
    0.5,
    2.9,
    -1.0,
    1000.0,
    1001.0,
    0x1p31,
    0x1p31 - 1,
    -0x1p31,
    -0x1p31 - 1,
    0x1p32,
    0x1p32 - 1,
    0x1p32 + 1,
    0x1p63,
    -0x1p63,
    0x1p64,
    -0x1p64,
    1e300,
};

const int32_t kSpecialIds[] = {
    -1, -15, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 1000, 255,
    16, 17};

const char* const kUserNames[] = {"Fuel",      "fuel",           "FUEL", "x",
                                  "X",         "Wind speed",     " ",    "\xc9t\xe9",
                                  "\xe9T\xc9", "SetActiveArray2"};

}  // namespace

const char* OperationGenerator::Keep(std::string text) {
  texts_.push_back(std::move(text));
  return texts_.back().c_str();
}

bool OperationGenerator::Step(CheckedModule& module, Choices& choices) {
  const Operation operation = kMix[choices.Below(kMixSize)];
  const size_t pick = choices.Below(8);
  const bool null_out = choices.Below(16) == 0;
  switch (operation) {
    case kStart:
      return module.Start(choices.Below(4) == 0);
    case kStop:
      return module.Stop(choices.Below(4) == 0);
    case kImportTable:
      return module.SetImportTable(choices.Below(2) == 0);
    case kFillPanels:
      return module.SetPanelsFilled(true);
    case kClearPanels:
      return module.SetPanelsFilled(false);
    case kHostNumberCode:
      return module.SetHostNumberCode(static_cast<int32_t>(choices.Below(200)) - 100);
    case kTakePanel:
      return module.TakeRegisteredPanel();
    case kCreateAircraft:
      return module.CreateAircraft(pick, choices.Below(4));
    case kCreateGauge:
      return module.CreateGauge(pick);
    case kAddRef:
      return module.AddRef(pick);
    case kRelease:
      return module.Release(pick);
    case kFixedAnswers:
      return module.FixedAnswers(pick);
    case kResolve:
      return module.Resolve(pick, Keyword(module, choices), null_out);
    case kKeywordOf:
      return module.KeywordOf(pick, Id(module, choices), null_out);
    case kUnitsOf:
      return module.UnitsOf(pick, Id(module, choices), null_out);
    case kGetText:
      return module.GetText(pick, Id(module, choices), null_out);
    case kGetNumber:
      return module.GetNumber(pick, Id(module, choices), null_out);
    case kSetText: {
      const int32_t id = Id(module, choices);
      return module.SetText(pick, id, Text(module, choices));
    }
    case kSetNumber: {
      const int32_t id = Id(module, choices);
      return module.SetNumber(pick, id, Number(module, choices));
    }
  }
  return true;
}

int32_t OperationGenerator::Id(const CheckedModule& module, Choices& choices) {
  switch (choices.Below(8)) {
    case 0:
    case 1:
    case 2:
    case 3:
      return static_cast<int32_t>(choices.Below(15));
    case 4:
    case 5: {
      const auto users = static_cast<uint32_t>(module.model().variables().size());
      return kFirstUserId + static_cast<int32_t>(choices.Below(users + 2));
    }
    case 6:
      return kSpecialIds[choices.Below(sizeof(kSpecialIds) / sizeof(kSpecialIds[0]))];
    default:
      return static_cast<int32_t>(choices.Below(std::numeric_limits<uint32_t>::max()));
  }
}

double OperationGenerator::Number(const CheckedModule& module, Choices& choices) {
  switch (choices.Below(8)) {
    case 0:
      return kSpecialNumbers[choices.Below(sizeof(kSpecialNumbers) / sizeof(kSpecialNumbers[0]))];
    case 1:
    case 2:
      return static_cast<double>(choices.Below(12)) - 2.0;
    case 3: {
      // A token of an existing array, or one next to it.
      const auto& arrays = module.model().arrays();
      if (arrays.empty()) return 0.0;
      const uint32_t token = arrays[choices.Below(static_cast<uint32_t>(arrays.size()))].token;
      return static_cast<double>(token) + static_cast<double>(choices.Below(3)) - 1.0;
    }
    case 4:
      return choices.AnyDouble();
    case 5:
      return static_cast<double>(choices.Below(1003));
    case 6:
      return static_cast<double>(choices.Below(48)) / 4.0 - 2.0;
    default:
      return static_cast<double>(choices.Below(4)) - 1.0;
  }
}

const char* OperationGenerator::Text(const CheckedModule& module, Choices& choices) {
  switch (choices.Below(11)) {
    case 0:
      return nullptr;
    case 1:
      return Keep("");
    case 2:
    case 3:
      // The very text given before: selects the array it created.
      if (texts_.empty()) return Keep("A");
      return texts_[choices.Below(static_cast<uint32_t>(texts_.size()))].c_str();
    case 4:
      // The same characters at another address: another array.
      if (texts_.empty()) return Keep("A");
      return Keep(texts_[choices.Below(static_cast<uint32_t>(texts_.size()))]);
    case 5:
      return Keep(std::string(259, 'v'));
    case 6:
      return Keep(std::string(choices.Below(2) == 0 ? 260 : 1000, 'w'));
    case 7: {
      // A text the module handed out: a host may pass it straight back.
      const char* text = module.HandedOut(choices.Below(16));
      return text != nullptr ? text : Keep("B");
    }
    default:
      return Keep(choices.AnyBytes(12));
  }
}

const char* OperationGenerator::Keyword(const CheckedModule& module, Choices& choices) {
  switch (choices.Below(9)) {
    case 0: {
      // A table keyword with the case of some letters turned.
      std::string keyword = kKeywords[choices.Below(15)];
      for (char& c : keyword) {
        if (choices.Below(2) != 0) continue;
        if (c >= 'a' && c <= 'z') {
          c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
          c = static_cast<char>(c - 'A' + 'a');
        }
      }
      return Keep(keyword);
    }
    case 1:
      return kKeywords[choices.Below(15)];
    case 2:
      return nullptr;
    case 3:
      return Keep("");
    case 4:
      return kUserNames[choices.Below(sizeof(kUserNames) / sizeof(kUserNames[0]))];
    case 6: {
      const char* text = module.HandedOut(choices.Below(16));
      return text != nullptr ? text : kKeywords[0];
    }
    case 5: {
      static const size_t kLengths[] = {258, 259, 260, 1000};
      const size_t length = kLengths[choices.Below(4)];
      return Keep(std::string(length, choices.Below(2) == 0 ? 'K' : 'k'));
    }
    default:
      return Keep(choices.AnyBytes(10));
  }
}

}  // namespace vellomar::model
