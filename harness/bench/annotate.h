// Explanations for timeline lines, for people reading a bus trace: which
// device function a transfer touches. Only the bench's output uses them;
// tests compare the plain lines.
#pragma once

#include <string>

namespace bench {

// The line with a short explanation appended, or the line as it is.
std::string Annotate(const std::string& line);
// Every line of a multi-line text annotated.
std::string AnnotateAll(const std::string& text);

} // namespace bench
