// What the browser build gives the page (web/pre.js) besides the keys the event wait takes from it:
// the screen to draw, and the record to keep when the tab goes.
#pragma once

#include <functional>

namespace Framework::Page {

// Hands the page the screen as it stands; the event wait calls it before the game sleeps.
void presentScreen() noexcept;

// From now until stopKeepingRecord, the page runs `keepWork` when the tab is hidden or closed and
// then stores the files; `keepWork` outlives that. Once stopped, the record written, the page
// stores the files.
void keepRecordWith(const std::function<void()>& keepWork);
void stopKeepingRecord() noexcept;

} // namespace Framework::Page
