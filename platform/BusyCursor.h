#pragma once

// Shows the application-wide busy cursor for its lifetime and puts back the
// cursor that was there before, however the scope is left.
class TBusyCursor {
public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};
