// What every fuzz harness shares: the input written to a file of its own (the
// readers open paths), messages kept quiet, and the refusals a reader may
// answer with. Anything else that escapes a reader (a crash, a sanitizer
// report, std::bad_alloc, an exception of another kind) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <stdexcept>
#include <string_view>

// The input as a string.
std::string_view InputBytes(const std::uint8_t *data, std::size_t size);
// Writes the input to this process' scratch file with the given extension
// ("key", "mod") and returns its path.
std::string WriteInput(const std::uint8_t *data, std::size_t size, const std::string &extension);
// A folder of this process' for extractions, emptied on each call.
std::string FreshFolder();

// Runs the reader; refusals of damaged input (EFileError and the other
// runtime errors the core raises with a message) are expected answers.
template <class TReader>
void Refusing(TReader &&reader)
{
    try {
        reader();
    } catch (const std::runtime_error &) {
    }
}

// Quiets the core's message boxes (they go to standard error by default).
void QuietMessages();
