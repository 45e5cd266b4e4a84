#include "ui/SentOnlyMessages.h"

#include <algorithm>

namespace quendal {

namespace {

constexpr unsigned kSentOnlyRecordMessages[] = {
    kWmCreate,      kWmSetText,    kWmGetText,     kWmGetMinMaxInfo,     kWmDrawItem,
    kWmMeasureItem, kWmDeleteItem, kWmCompareItem, kWmWindowPosChanging, kWmWindowPosChanged,
    kWmCopyData,    kWmNotify,     kWmHelp,        kWmStyleChanging,     kWmStyleChanged,
    kWmNcCreate,    kWmNcCalcSize, kWmInitDialog,  kWmDpiChanged,
};

}  // namespace

bool IsSentOnlyRecordMessage(unsigned message) {
  return std::ranges::find(kSentOnlyRecordMessages, message) !=
         std::ranges::end(kSentOnlyRecordMessages);
}

}  // namespace quendal
