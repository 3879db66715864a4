// test_support/streams.cpp: the fopencookie double behind memory_stream, and the
// redirection of file descriptors 1 and 2 behind capture_output.
#include "test_support/streams.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "cli/conversion.h"

#if !defined(__GLIBC__)
#error "the stream doubles use glibc's fopencookie"
#endif

struct memory_stream::state {
  byte_vector bytes;
  std::size_t position = 0;
  fault_plan plan;
  std::size_t read_so_far = 0;
  std::size_t written_so_far = 0;
  std::size_t seeks_so_far = 0;
  std::size_t read_calls = 0;
  std::size_t seek_calls = 0;
  write_log writes;
};

namespace {

ssize_t cookie_read(void* cookie, char* buffer, std::size_t size) {
  auto* s = static_cast<memory_stream::state*>(cookie);
  ++s->read_calls;
  if (s->read_so_far >= s->plan.read_bytes || s->read_calls == s->plan.failing_read) {
    errno = EIO;
    return -1;
  }
  std::size_t n = std::min(size, s->plan.read_bytes - s->read_so_far);
  n = std::min(n, s->bytes.size() - std::min(s->position, s->bytes.size()));
  if (n == 0) return 0;  // end of input
  std::memcpy(buffer, s->bytes.data() + s->position, n);
  s->position += n;
  s->read_so_far += n;
  return static_cast<ssize_t>(n);
}

ssize_t cookie_write(void* cookie, const char* buffer, std::size_t size) {
  auto* s = static_cast<memory_stream::state*>(cookie);
  const bool failing = s->writes.calls.size() + 1 == s->plan.failing_write;
  const std::size_t n = failing ? 0 : std::min(size, s->plan.write_bytes - s->written_so_far);
  s->writes.calls.push_back({s->position, n});
  s->writes.bytes.insert(s->writes.bytes.end(), buffer, buffer + n);
  if (s->bytes.size() < s->position + n) s->bytes.resize(s->position + n);
  if (n > 0) std::memcpy(s->bytes.data() + s->position, buffer, n);
  s->position += n;
  s->written_so_far += n;
  if (n < size) errno = ENOSPC;  // stdio sees the short count and sets the error indicator
  return static_cast<ssize_t>(n);
}

int cookie_seek(void* cookie, off64_t* offset, int whence) {
  auto* s = static_cast<memory_stream::state*>(cookie);
  ++s->seek_calls;
  if (s->seeks_so_far >= s->plan.seeks || s->seek_calls == s->plan.failing_seek) {
    errno = ESPIPE;
    return -1;
  }
  ++s->seeks_so_far;
  const off64_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<off64_t>(s->position)
                                            : static_cast<off64_t>(s->bytes.size());
  if (base + *offset < 0) {
    errno = EINVAL;
    return -1;
  }
  s->position = static_cast<std::size_t>(base + *offset);
  *offset = base + *offset;
  return 0;
}

}  // namespace

memory_stream::memory_stream(byte_vector bytes, fault_plan plan)
    : state_(std::make_unique<state>()) {
  state_->bytes = std::move(bytes);
  state_->plan = plan;
  const cookie_io_functions_t functions{cookie_read, cookie_write, cookie_seek, nullptr};
  file_ = fopencookie(state_.get(), "r+", functions);
  if (file_ == nullptr) throw std::runtime_error("fopencookie failed");
  std::setvbuf(file_, nullptr, _IONBF, 0);
}

memory_stream::~memory_stream() { std::fclose(file_); }

const byte_vector& memory_stream::bytes() const { return state_->bytes; }

std::size_t memory_stream::position() const { return state_->position; }

const write_log& memory_stream::writes() const { return state_->writes; }

std::string read_all_text(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  return text;
}

namespace {

// Points `fd` at `file` until destroyed.
class redirect {
 public:
  redirect(int fd, std::FILE* file) : fd_(fd), saved_(dup(fd)) { dup2(fileno(file), fd); }
  ~redirect() {
    dup2(saved_, fd_);
    close(saved_);
  }
  redirect(const redirect&) = delete;
  redirect& operator=(const redirect&) = delete;

 private:
  int fd_;
  int saved_;
};

}  // namespace

captured_output capture_output(const std::function<void()>& body) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (out == nullptr || err == nullptr) throw std::runtime_error("tmpfile failed");
  std::fflush(stdout);
  std::fflush(stderr);
  {
    redirect out_redirect(STDOUT_FILENO, out);
    redirect err_redirect(STDERR_FILENO, err);
    body();
    std::fflush(stdout);
    std::fflush(stderr);
  }
  captured_output result{read_all_text(out), read_all_text(err)};
  std::fclose(out);
  std::fclose(err);
  return result;
}

stream_run run_on_streams(const byte_vector& input,
                          const std::function<int(std::FILE* in, std::FILE* out)>& body,
                          fault_plan in_plan, fault_plan out_plan) {
  memory_stream in(input, in_plan);
  memory_stream out({}, out_plan);
  stream_run result;
  result.printed = capture_output([&] { result.status = body(in.get(), out.get()); });
  result.output = out.bytes();
  result.writes = out.writes();
  return result;
}

stream_run convert_in_memory(const byte_vector& input, input_kind from, output_kind to,
                             fault_plan in_plan, fault_plan out_plan) {
  return run_on_streams(
      input, [&](std::FILE* in, std::FILE* out) { return convert_streams(from, to, in, out); },
      in_plan, out_plan);
}

stream_run run_block_writer(block_writer writer, const byte_vector& payload, std::uint8_t flag,
                            std::uint16_t pause_ms, fault_plan out_plan) {
  const auto n = static_cast<std::uint16_t>(payload.size());
  return run_on_streams(
      payload, [&](std::FILE* in, std::FILE* out) { return writer(in, out, n, flag, pause_ms); },
      {}, out_plan);
}
