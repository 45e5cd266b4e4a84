// The information page, sheet page 2: the product's name, version and date with the maker's
// notices. It has no behaviour of its own.
#pragma once

#include "resource_ids.h"
#include "ui/PropertyPage.h"

namespace quendal {

class CInformationPage : public PropertyPage {
 public:
  CInformationPage() : PropertyPage(IDD_INFORMATION_PAGE) {}
};

}  // namespace quendal
