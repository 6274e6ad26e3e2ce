#include "display/virtual_machine.h"

#include <cstring>

#include "base/clock.h"

VirtualMachine vm;

namespace {

// Virtual microseconds start here rather than at 0, which the clock reads as
// "not started".
constexpr double kEpochMicros = 1e6;
constexpr long long kSlotUnits = 70;
constexpr long long kReadUnits = 14;
constexpr long long kWindowUnits = 28;

double unit_micros() { return static_cast<double>(kTickMicros) / static_cast<double>(vm.fps); }

// The clock's first reading, which starts it, is taken at the epoch itself;
// every later one half a unit into its step, so that no reading falls on a
// tick boundary, where rounding could tip it either way.
bool clock_started;

double virtual_now() {
  double offset = clock_started ? (static_cast<double>(vm.now) + 0.5) * unit_micros() : 0.0;
  double reading = kEpochMicros + offset;
  vm.now += kReadUnits;
  vm.time_passed(static_cast<double>(vm.now) * unit_micros() / 1e6);
  return reading;
}
const TimeSource kVirtualClock = {virtual_now};

void fill_next(const uint32_t* frame) { vm.fill_slot(vm.next_slot++, frame); }

void vm_present(const uint32_t* frame) {
  // The window this present closes: windows include their end.
  long long slot = (vm.now - kWindowUnits + kSlotUnits - 1) / kSlotUnits - 1;
  while (vm.next_slot < slot) fill_next(vm.shown);
  std::memcpy(vm.shown, frame, sizeof vm.shown);
  fill_next(vm.shown);
  long long next_window = vm.next_slot * kSlotUnits + kWindowUnits;
  if (vm.now < next_window) vm.now = next_window;
}

void vm_gather_keys() {
  if (vm.polled) vm.polled(vm_current_slot());
}

int vm_poll_escape() {
  vm_gather_keys();
  return vm.last_slot >= 0 && vm.next_slot > vm.last_slot ? 1 : 0;
}

FrameSink sink;

}  // namespace

void vm_start(long long fps, long long last_slot, void (*fill_slot)(long long, const uint32_t*),
              void (*time_passed)(double), void (*close)(), void (*abandon)()) {
  std::memset(vm.shown, 0, sizeof vm.shown);
  vm.fps = fps;
  vm.next_slot = 0;
  vm.last_slot = last_slot;
  vm.fill_slot = fill_slot;
  vm.time_passed = time_passed;
  vm.polled = nullptr;
  vm.now = 0;
  sink = {.present = vm_present,
          .poll_escape = vm_poll_escape,
          .close = close,
          .abandon = abandon,
          .gather_keys = vm_gather_keys};
  display_set_sink(&sink);
  clock_set_source(&kVirtualClock);
  clock_reset();
  clock_started = false;
  show_ticks();
  clock_started = true;
  vm.now = kWindowUnits;
}

long long vm_current_slot() { return (vm.now - kWindowUnits) / kSlotUnits; }

double vm_slot_seconds() { return kSlotUnits * unit_micros() / 1e6; }
