// Parsing speed of the skin markup parser, on generated skins of 64 KiB,
// 1 MiB and 16 MiB: the cost has to grow linearly, so the time per byte
// (time_per_byte) stays the same at every size. LUMORA_BENCH_MARKUP names
// another document (UTF-8) to measure instead, at its own size.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "Core/Markup.h"
#include "platform/base/Unicode.h"

namespace {

// A skin in the shape of the launcher's: fonts and default lists, then
// nested layouts of buttons, edits and labels with image draw-strings,
// comments and entities, repeated until it reaches `size` bytes.
std::string GeneratedSkin(std::size_t size) {
  std::string doc =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<Window size=\"800,600\" caption=\"0,0,0,40\" roundcorner=\"4,4\" sizebox=\"4,4,4,4\" "
      "mininfo=\"400,300\">\n"
      "  <Font name=\"微软雅黑\" size=\"12\" default=\"true\" />\n"
      "  <Font name=\"Tahoma\" size=\"14\" bold=\"true\" />\n"
      "  <Default name=\"Button\" value=\"font=&quot;1&quot; textcolor=&quot;#FFFFFFFF&quot;\" />\n"
      "  <VerticalLayout bkimage=\"file='bg.png' corner='4,4,4,4'\">\n";
  int n = 0;
  while (doc.size() < size) {
    const std::string i = std::to_string(n++);
    doc += "    <!-- row " + i +
           " -->\n"
           "    <HorizontalLayout name=\"row" +
           i +
           "\" height=\"32\" padding=\"4,2,4,2\" childpadding=\"6\">\n"
           "      <Label name=\"label" +
           i + "\" text=\"账号 &amp; 密码 " + i +
           "\" width=\"80\" textcolor=\"#FF333333\" />\n"
           "      <Edit name=\"edit" +
           i +
           "\" text=\"\" tipvalue=\"请输入\" maxchar=\"32\" "
           "normalimage=\"file='input_link.png' corner='3,3,3,3'\" hotimage=\"file='input_hover.png' "
           "corner='3,3,3,3'\"/>\n"
           "      <Button name=\"btn" +
           i +
           "\" width=\"60\" text=\"OK\" normalimage=\"btn_link.png\" "
           "hotimage=\"btn_hover.png\" pushedimage=\"btn_click.png\" tooltip=\"&lt;go&gt;\" />\n"
           "      <Control />\n"
           "    </HorizontalLayout>\n";
  }
  doc += "  </VerticalLayout>\n</Window>\n";
  return doc;
}

const char* ChosenDocument() { return std::getenv("LUMORA_BENCH_MARKUP"); }

// The document of a benchmark's size argument, made once per size.
const std::string& Document(const benchmark::State& state) {
  static std::map<std::size_t, std::string> documents;
  const auto size = static_cast<std::size_t>(state.range(0));
  auto found = documents.find(size);
  if (found != documents.end()) return found->second;
  std::string doc;
  if (const char* path = ChosenDocument()) {
    std::ifstream in(path, std::ios::binary);
    doc.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    doc = GeneratedSkin(size);
  }
  return documents.emplace(size, std::move(doc)).first->second;
}

// Bytes per second, and its inverse: the time one byte costs.
void CountBytes(benchmark::State& state, std::size_t size) {
  const auto bytes = static_cast<double>(state.iterations()) * static_cast<double>(size);
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.counters["time_per_byte"] =
      benchmark::Counter(bytes, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The three sizes, or the chosen document alone.
void Sizes(benchmark::internal::Benchmark* b) {
  if (ChosenDocument() != nullptr) {
    b->Arg(0);
  } else {
    b->Arg(64 << 10)->Arg(1 << 20)->Arg(16 << 20);
  }
  b->Unit(benchmark::kMillisecond);
}

// From UTF-8 bytes, as the skin loaders parse: conversion included.
void BM_ParseSkinBytes(benchmark::State& state) {
  const std::string& doc = Document(state);
  Kesto::MarkupDoc markup;
  for (auto _ : state) {
    if (!markup.LoadFromBytes(doc)) state.SkipWithError("the document does not parse");
    benchmark::DoNotOptimize(markup.Root());
  }
  CountBytes(state, doc.size());
}
BENCHMARK(BM_ParseSkinBytes)->Apply(Sizes);

// From text already in UTF-16: the parse alone.
void BM_ParseSkinText(benchmark::State& state) {
  const std::string& doc = Document(state);
  const std::u16string text = os::Utf8ToUtf16(doc);
  Kesto::MarkupDoc markup;
  for (auto _ : state) {
    if (!markup.LoadFromText(text)) state.SkipWithError("the document does not parse");
    benchmark::DoNotOptimize(markup.Root());
  }
  CountBytes(state, doc.size());
}
BENCHMARK(BM_ParseSkinText)->Apply(Sizes);

// Parse, then visit every element and read every attribute, as a skin
// build does.
void WalkAll(const Kesto::MarkupNode& node, std::size_t& seen) {
  for (Kesto::MarkupNode n = node; n.IsValid(); n = n.NextSibling()) {
    for (std::size_t i = 0; i < n.AttributeCount(); ++i) seen += n.AttributeValueAt(i)[0];
    if (n.HasChildren()) WalkAll(n.FirstChild(), seen);
  }
}

void BM_ParseAndWalkSkin(benchmark::State& state) {
  const std::string& doc = Document(state);
  Kesto::MarkupDoc markup;
  for (auto _ : state) {
    if (!markup.LoadFromBytes(doc)) state.SkipWithError("the document does not parse");
    std::size_t seen = 0;
    WalkAll(markup.Root(), seen);
    benchmark::DoNotOptimize(seen);
  }
  CountBytes(state, doc.size());
}
BENCHMARK(BM_ParseAndWalkSkin)->Apply(Sizes);

}  // namespace
