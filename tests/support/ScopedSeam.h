#pragma once
// Puts a stand-in in place of one of the program's seams (the PC/SC API, the
// view, the random source) for a scope, and puts back what was there before.

template <class TSeam>
class TScopedSeam {
public:
  using TGetter = TSeam& (*)();
  using TSetter = void (*)(TSeam*);

  TScopedSeam(TSeam& replacement, TGetter get, TSetter set) : set_(set), previous_(&get()) { set_(&replacement); }
  ~TScopedSeam() { set_(previous_); }
  TScopedSeam(const TScopedSeam&) = delete;
  TScopedSeam& operator=(const TScopedSeam&) = delete;

private:
  TSetter set_;
  TSeam* previous_;
};
