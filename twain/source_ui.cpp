// The installed window operations of the source window.
#include "twain/source_ui.h"

namespace twain {

namespace {
const SourceUi* installedUi = nullptr;
}

void installSourceUi(const SourceUi* ui) { installedUi = ui; }

const SourceUi& sourceUi() { return *installedUi; }

bool sourceUiInstalled() { return installedUi != nullptr; }

}  // namespace twain
