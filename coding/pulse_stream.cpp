// coding/pulse_stream.cpp: pilot, sync and the 8b/10b cells of one block as pulses.
//
// The runs of every code word the encoder can send are worked out at compile
// time, for each character and running disparity: the bit and length of the
// word's first and last runs, and the pulses of the runs between them. A
// character then costs one table entry: its first run either lengthens the run
// in progress or closes it, the inner pulses are copied out whole, and its
// last run is left in progress. A run that would grow past five cells, and any
// word the table cannot take whole (one run only, or an inner run over five
// cells, neither of which the encoder makes), is walked bit by bit instead, so
// a run of six is refused exactly where it closes.
#include "coding/pulse_stream.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "cli/error_report.h"
#include "coding/block_frame.h"
#include "coding/encoder_8b10b.h"

namespace {

// The limit the 8b/10b code guarantees; a longer run means the encoder is broken.
constexpr unsigned longest_run_samples = 5 * cell_samples;

// What one character sends, given the disparity before it and the bit of the
// run in progress.
struct character_pulses {
  std::uint8_t joins = 0;          // 1 when the word starts with the bit of the run in progress
  std::uint8_t first_samples = 0;  // the word's first run; 255 when it must be walked bit by bit
  std::uint8_t last_samples = 0;   // its last run, left in progress
  std::uint8_t inner_count = 0;    // pulses of the runs between, at most 8
  std::uint8_t context_after = 0;  // disparity after * 2 + the word's last bit
  code_word word = 0;              // for the walk bit by bit
  std::array<std::uint8_t, 8> inner{};
};

constexpr character_pulses pulses_of(code_word word, unsigned run_bit, unsigned disparity_after) {
  std::array<unsigned, 10> cells{};
  unsigned runs = 0;
  for (int i = 9; i >= 0; --i) {
    const unsigned bit = word >> i & 1u;
    if (i < 9 && bit == (word >> (i + 1) & 1u)) {
      ++cells[runs - 1];
    } else {
      cells[runs++] = 1;
    }
  }
  character_pulses c;
  c.word = word;
  c.joins = (word >> 9 & 1u) == run_bit ? 1 : 0;
  c.first_samples = static_cast<std::uint8_t>(cells[0] * cell_samples);
  c.last_samples = static_cast<std::uint8_t>(cells[runs - 1] * cell_samples);
  c.context_after = static_cast<std::uint8_t>(disparity_after * 2 + (word & 1u));
  bool walk_bits = runs == 1 || c.last_samples > longest_run_samples;
  for (unsigned k = 1; k + 1 < runs; ++k) {
    c.inner[c.inner_count++] = static_cast<std::uint8_t>(cells[k] * cell_samples);
    if (cells[k] * cell_samples > longest_run_samples) walk_bits = true;
  }
  if (walk_bits) c.first_samples = 255;
  return c;
}

// Indexed by character * 4 + disparity * 2 + the bit of the run in progress.
constexpr std::array<character_pulses, 1024> character_table = [] {
  std::array<character_pulses, 1024> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    const std::uint16_t entry = code_table[i / 2];
    table[i] = pulses_of(entry & 0x3FFu, i & 1u, entry >> 15);
  }
  return table;
}();

// At most one pulse for the run in progress, one for the word's first run, and
// eight inner ones, which are copied as eight bytes whatever their number.
constexpr std::size_t most_bytes_per_word = 10 + 8;

// Bit by bit: appends at `*p` the pulses of the runs `word` closes. At a run
// over five cells stops and returns false, `*run` unchanged. Kept out of the
// loop that calls it, where it is never taken.
[[gnu::noinline, gnu::cold]] bool append_bits(code_word word, open_run* run, std::uint8_t** p) {
  open_run r = *run;
  for (int i = 9; i >= 0; --i) {
    const unsigned bit = word >> i & 1u;
    if (bit == r.bit) {
      r.samples += cell_samples;
      continue;
    }
    if (r.samples > longest_run_samples) return false;
    *(*p)++ = static_cast<std::uint8_t>(r.samples);
    r = {bit, cell_samples};
  }
  *run = r;
  return true;
}

// The same, a word at a time from the table; `*samples` is the run in
// progress, whose bit is `run_bit`.
inline bool append_character(const character_pulses& c, unsigned run_bit, unsigned* samples,
                             std::uint8_t** p) {
  const unsigned first = c.first_samples + (*samples & (0u - c.joins));
  if ((first > longest_run_samples) | (*samples > longest_run_samples)) {
    open_run run = {run_bit, *samples};
    if (!append_bits(c.word, &run, p)) return false;
    *samples = run.samples;
    return true;
  }
  std::uint8_t* q = *p;
  q[0] = static_cast<std::uint8_t>(*samples);  // kept only when the word starts with the other bit
  q += 1 - c.joins;
  *q++ = static_cast<std::uint8_t>(first);
  std::memcpy(q, c.inner.data(), c.inner.size());
  q += c.inner_count;
  *samples = c.last_samples;
  *p = q;
  return true;
}

// A final run of 1-bits is closed here. A final run of 0-bits is normally left
// to whatever the container writes next, which lasts at least two cells: a
// pause, or, after a pause of 0, the next block's first pilot pulse. A run of
// three 0-bits (a code word ends in at most three) would outlast that pilot
// pulse and lose its last cell to the pilot's next level, so it gets its own
// pulse.
bool append_final_pulse(open_run run, std::uint8_t** p) {
  if (run.bit == 0 && run.samples <= pilot_pulse_samples) return true;
  if (run.samples > longest_run_samples) return false;
  *(*p)++ = static_cast<std::uint8_t>(run.samples);
  return true;
}

[[nodiscard]] int write_pulses(std::FILE* out, const std::uint8_t* from, const std::uint8_t* to,
                               std::uint32_t* pulse_count) {
  const auto size = static_cast<std::size_t>(to - from);
  if (size == 0) return status_ok;
  const std::size_t written = std::fwrite(from, 1, size, out);
  *pulse_count += static_cast<std::uint32_t>(written);
  if (written == size) return status_ok;
  report_write_error(out);
  return status_reported;
}

[[nodiscard]] int report_run_of_six() {
  std::fputs("Internal encoding error - runlength>=6\n", stdout);
  return status_encoding_error;
}

constexpr auto pilot_pulses = [] {
  std::array<std::uint8_t, pulse_buffer_bytes> pulses{};
  pulses.fill(pilot_pulse_samples);
  return pulses;
}();

}  // namespace

int write_pilot(unsigned seconds, std::FILE* out, std::uint32_t* pulse_count) {
  std::size_t left = seconds * samples_per_second / pilot_pulse_samples;
  while (left > 0) {
    const std::size_t n = std::min(left, pilot_pulses.size());
    if (int rc = write_pulses(out, pilot_pulses.data(), pilot_pulses.data() + n, pulse_count);
        rc != 0)
      return rc;
    left -= n;
  }
  const std::uint8_t sync = cell_samples;
  return write_pulses(out, &sync, &sync + 1, pulse_count);
}

int write_code_pulses(code_word word, std::FILE* out, open_run* run, std::uint32_t* pulse_count) {
  std::array<std::uint8_t, most_bytes_per_word> pulses;
  std::uint8_t* p = pulses.data();
  unsigned samples = run->samples;
  const bool whole = append_character(pulses_of(word, run->bit, 0), run->bit, &samples, &p);
  if (whole) *run = {word & 1u, samples};
  if (int rc = write_pulses(out, pulses.data(), p, pulse_count); rc != 0) return rc;
  return whole ? status_ok : report_run_of_six();
}

int finish_pulses(open_run run, std::FILE* out, std::uint32_t* pulse_count) {
  std::uint8_t pulse = 0;
  std::uint8_t* p = &pulse;
  const bool closed = append_final_pulse(run, &p);
  if (int rc = write_pulses(out, &pulse, p, pulse_count); rc != 0) return rc;
  return closed ? status_ok : report_run_of_six();
}

int write_block_pulses(std::uint32_t* pulse_count, std::FILE* in, std::FILE* out,
                       std::uint16_t payload_length, std::uint8_t flag) {
  const unsigned pilot_seconds = (flag & 0x80) ? 2 : 5;
  if (int rc = write_pilot(pilot_seconds, out, pulse_count); rc != 0) return rc;

  // The loop's state stays in locals: a byte stored through `p` could alias
  // anything reached through a pointer, and would force it to be reloaded.
  std::array<std::uint8_t, pulse_buffer_bytes> buffer;
  std::uint8_t* const refill_at = buffer.data() + buffer.size() - most_bytes_per_word;
  std::uint8_t* p = buffer.data();
  unsigned samples = cell_samples;  // the cell after the sync, a 0
  unsigned context = 0;             // RD-, and a run of 0-bits in progress
  auto flush = [&] {
    const int rc = write_pulses(out, buffer.data(), p, pulse_count);
    p = buffer.data();
    return rc;
  };
  int rc = walk_block_frame(
      in, payload_length, flag,
      [&](std::uint8_t character) {
        if (p >= refill_at)
          if (int flushed = flush(); flushed != 0) return flushed;
        const character_pulses& c = character_table[character * 4u + context];
        if (!append_character(c, context & 1u, &samples, &p)) return status_encoding_error;
        context = c.context_after;
        return status_ok;
      },
      flush);
  if (rc == status_ok && !append_final_pulse({context & 1u, samples}, &p))
    rc = status_encoding_error;
  // A read failure was reported after a flush, a write failure where it happened.
  if (rc == status_reported) return rc;
  if (int flushed = flush(); flushed != 0) return flushed;
  return rc == status_encoding_error ? report_run_of_six() : rc;
}
