#pragma once
// Two buttons at one place, of which exactly one is visible ("NMEA Log" and
// "Logging ...", the generator's "Open" and "Close"). The covered one is
// hidden, not merely covered, so that neither Tab nor a screen reader
// reaches it; the keyboard focus stays at the place.
#include <QPushButton>

namespace vantrel {

inline void ShowInPlaceOf(QPushButton* shown, QPushButton* covered) {
  const bool hadFocus = covered->hasFocus();
  covered->hide();
  shown->show();
  if (hadFocus) shown->setFocus();
}

}  // namespace vantrel
