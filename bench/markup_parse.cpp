// Parsing speed of the skin markup parser. By default a generated skin of
// 1 MiB is parsed; LUMORA_BENCH_MARKUP names another document (UTF-8) to
// measure instead.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "Core/Markup.h"
#include "platform/Unicode.h"

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

std::string Document() {
  if (const char* path = std::getenv("LUMORA_BENCH_MARKUP")) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return GeneratedSkin(1 << 20);
}

// From UTF-8 bytes, as the skin loaders parse: conversion included.
void BM_ParseSkinBytes(benchmark::State& state) {
  const std::string doc = Document();
  Kesto::MarkupDoc markup;
  for (auto _ : state) {
    if (!markup.LoadFromBytes(doc)) state.SkipWithError("the document does not parse");
    benchmark::DoNotOptimize(markup.Root());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_ParseSkinBytes)->Unit(benchmark::kMillisecond);

// From text already in UTF-16: the parse alone.
void BM_ParseSkinText(benchmark::State& state) {
  const std::string doc = Document();
  const std::u16string text = os::Utf8ToUtf16(doc);
  Kesto::MarkupDoc markup;
  for (auto _ : state) {
    if (!markup.LoadFromText(text)) state.SkipWithError("the document does not parse");
    benchmark::DoNotOptimize(markup.Root());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_ParseSkinText)->Unit(benchmark::kMillisecond);

// Parse, then visit every element and read every attribute, as a skin
// build does.
void WalkAll(const Kesto::MarkupNode& node, std::size_t& seen) {
  for (Kesto::MarkupNode n = node; n.IsValid(); n = n.NextSibling()) {
    for (std::size_t i = 0; i < n.AttributeCount(); ++i) seen += n.AttributeValueAt(i)[0];
    if (n.HasChildren()) WalkAll(n.FirstChild(), seen);
  }
}

void BM_ParseAndWalkSkin(benchmark::State& state) {
  const std::string doc = Document();
  Kesto::MarkupDoc markup;
  for (auto _ : state) {
    if (!markup.LoadFromBytes(doc)) state.SkipWithError("the document does not parse");
    std::size_t seen = 0;
    WalkAll(markup.Root(), seen);
    benchmark::DoNotOptimize(seen);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.size()));
}
BENCHMARK(BM_ParseAndWalkSkin)->Unit(benchmark::kMillisecond);

}  // namespace
