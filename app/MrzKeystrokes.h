#pragma once
// Recognises a whole MRZ typed as keystrokes, as a keyboard-wedge scanner
// types it: lines of A-Z, 0-9 and '<', each ended by Enter, CR, LF or Tab.
//
// Keys pass to the window as usual until a line of an MRZ's width (30, 36 or
// 44) is ended: a document number typed by hand is never that long. From
// then on the keys are held back, and once the last line is complete the
// whole MRZ is there; the line end a scanner sends after it is held too. Any
// other key, or a line of another width, gives the held keys back.

#include <cstddef>
#include <string>
#include <vector>

class TMrzKeystrokes {
public:
  enum class TStep {
    Pass,      // the key goes on to the window as usual
    Hold,      // the key is held back
    Whole,     // the key completed an MRZ (held back); Text() has it
    GiveBack,  // the held keys go on to the window, then this one
    Drop,      // the scanner's line end after a whole MRZ: the key is dropped
  };

  // A character typed ('\n' for Enter, CR, LF and Tab; 0 for a key that types nothing of an MRZ).
  TStep Key(char typed);
  // Whether keys are held back: a whole MRZ line has been ended.
  bool Holding() const { return holding_; }
  // Whether the next MRZ character would begin a new run of keys.
  bool Idle() const { return lines_.empty() && line_.empty() && !spoilt_; }
  // The lines of the MRZ last completed, each ended by '\n'.
  const std::string& Text() const { return text_; }
  // Forgets every key.
  void Forget();

private:
  TStep LineEnd();
  TStep Character(char typed);
  TStep Broken();

  std::vector<std::string> lines_;  // lines ended while holding
  std::string line_;                // the line being typed
  bool spoilt_ = false;             // the line being typed is longer than any MRZ line
  bool holding_ = false;
  bool lineEndAfterWhole_ = false;  // the scanner's line end after the last line is still to come
  std::string text_;
};
