#pragma once

// The lines that the program and its help viewer (orvo-help) exchange: the
// program writes a request to the viewer's standard input, the viewer
// answers each with one line on its standard output. The viewer ends when
// its last window closes or when its input ends, which it does when the
// program quits or dies.
namespace helpprotocol {

// Request: one more window with the page for "Clock".
constexpr char kOpen[] = "open";
// Answers: the window is open; the collection has no such page (nothing
// shown); the collection cannot be opened.
constexpr char kShown[] = "shown";
constexpr char kNoPage[] = "no-page";
constexpr char kNoCollection[] = "no-collection";

}  // namespace helpprotocol
