// coding/pulse_stream.cpp: pilot, sync and the 8b/10b cells of one block as pulses.
#include "coding/pulse_stream.h"

#include "coding/byte_output.h"

namespace {

// The limit the 8b/10b code guarantees; a longer run means the encoder is broken.
constexpr int longest_run_cells = 5;

[[nodiscard]] int write_pulse(std::uint8_t samples, std::FILE* out, std::uint32_t* pulse_count) {
  if (int rc = write_byte(out, samples); rc != 0) return rc;
  ++*pulse_count;
  return status_ok;
}

// Cells in the run of equal bits that ends at bit 0 of `history`, counting bits 0
// to 5 only: a result past the limit means six or more.
int run_cells(bit_history history) {
  const unsigned last = history & 1u;
  int cells = 1;
  while (cells <= longest_run_cells && (history >> cells & 1u) == last) ++cells;
  return cells;
}

// The pulse of the run that ends at bit 0 of `history`.
[[nodiscard]] int close_run(bit_history history, std::FILE* out, std::uint32_t* pulse_count) {
  const int cells = run_cells(history);
  if (cells > longest_run_cells) {
    std::fputs("Internal encoding error - runlength>=6\n", stdout);
    return status_encoding_error;
  }
  return write_pulse(static_cast<std::uint8_t>(cells * cell_samples), out, pulse_count);
}

}  // namespace

int write_pilot(unsigned seconds, std::FILE* out, std::uint32_t* pulse_count) {
  const std::uint32_t pulses = seconds * samples_per_second / pilot_pulse_samples;
  for (std::uint32_t i = 0; i < pulses; ++i)
    if (int rc = write_pulse(pilot_pulse_samples, out, pulse_count); rc != 0) return rc;
  return write_pulse(cell_samples, out, pulse_count);  // sync
}

int write_code_pulses(code_word word, std::FILE* out, bit_history* history,
                      std::uint32_t* pulse_count) {
  bit_history h = *history;
  for (int i = 9; i >= 0; --i) {
    const unsigned bit = word >> i & 1u;
    if (bit != (h & 1u))
      if (int rc = close_run(h, out, pulse_count); rc != 0) return rc;
    h = static_cast<bit_history>(h << 1 | bit);
  }
  *history = h;
  return status_ok;
}

// A final run of 1-bits is closed here. A final run of 0-bits is normally left
// to whatever the container writes next, which lasts at least two cells: a
// pause, or, after a pause of 0, the next block's first pilot pulse. A run of
// three 0-bits (a code word ends in at most three) would outlast that pilot
// pulse and lose its last cell to the pilot's next level, so it gets its own
// pulse.
int finish_pulses(bit_history history, std::FILE* out, std::uint32_t* pulse_count) {
  if ((history & 1u) == 0 && run_cells(history) <= pilot_pulse_samples / cell_samples)
    return status_ok;
  return close_run(history, out, pulse_count);
}

int write_block_pulses(std::uint32_t* pulse_count, std::FILE* in, std::FILE* out,
                       std::uint16_t payload_length, std::uint8_t flag) {
  bit_history history = bit_history_at_block_start;
  const unsigned pilot_seconds = (flag & 0x80) ? 2 : 5;
  if (int rc = write_pilot(pilot_seconds, out, pulse_count); rc != 0) return rc;
  const int rc = walk_block_frame(in, payload_length, flag, [&](code_word word) {
    return write_code_pulses(word, out, &history, pulse_count);
  });
  if (rc != 0) return rc;
  return finish_pulses(history, out, pulse_count);
}
