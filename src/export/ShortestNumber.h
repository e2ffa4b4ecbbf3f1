#pragma once

namespace velloxa {

// The most characters PutShortest writes ("-2.2250738585072014e-308").
inline constexpr int MostShortestChars = 24;

// The shortest text that reads back as the same number, exactly as std::to_chars(at, end,
// value) writes it (fixed or scientific, whichever is shorter; fixed on a tie), at `at`,
// which has room for MostShortestChars; returns the end. `point` stands for its '.'. Several
// times cheaper than the general to_chars path for the finite values a table holds.
char* PutShortest(char* at, double value, char point = '.');
char* PutShortest(char* at, float value, char point = '.');

} // namespace velloxa
