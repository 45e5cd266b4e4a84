#include <gtest/gtest.h>

#include "resource_ids.h"
#include "support/RcStringTable.h"

namespace quendal {
namespace {

TEST(StringTable, HoldsEveryTextOfTheProgramExactly) {
  const test::RcStringTable strings;
  const std::pair<unsigned, const wchar_t*> expected[] = {
      {1, L"Quendal5.1RIR"},
      {2, L"SOFTWARE\\HALVORIN\\Quendal5.1RIR\\Filter\\"},
      {3, L"USB 資料傳輸錯誤, 再試一次."},
      {4, L"IO 控制錯誤"},
      {5,
       L"音訊資料為 5.1-聲道.\n確定要啟動音效功能嗎?\n\n啟動音效功能將會破壞原來 "
       L"5.1-聲道音訊資料.\n\n(建議: CD 音樂 -> Click Yes, DVD ->No)"},
      {6, L"無法載入音效驅動程式!\n\n請重新拔插 USB audio 設備."},
      {7, L"Quendal5.1RIR: 警告"},
      {8, L"Quendal5.1RIR: 錯誤"},
      {9, L"程式已執行中!"},
      {10, L"2-聲道 音訊資料"},
      {11, L"5.1-聲道 音訊資料"},
      {65334, L"請重新啟動系統"},
      {65335, L"找不到 HALVORIN audio 設備 (設備未插入系統)"},
      {65336, L"HALVORIN Audio device 尚未安裝."},
      {65436, L"找不到 DLL 驅動程式.\n請重新安裝驅動程式!"},
  };
  EXPECT_EQ(strings.Entries().size(), std::size(expected));
  for (const auto& [id, text] : expected) EXPECT_EQ(strings.Load(id), text) << "string " << id;
  EXPECT_EQ(strings.Load(12), L"");
}

}  // namespace
}  // namespace quendal
