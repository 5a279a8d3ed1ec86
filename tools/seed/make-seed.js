#!/usr/bin/env node
// Builds the reference service's keyword corpus (data/keywords.tsv, works.tsv, corpus.tsv) from
// the public-domain classical texts of the npm package "chinese-poetry", and on demand a large
// keyword list for benchmarks.
//
//   npm install --prefix /tmp/poetry chinese-poetry@2.0.1
//   node tools/seed/make-seed.js --source /tmp/poetry/node_modules/chinese-poetry/dist --out data
//   node tools/seed/make-seed.js --source ... --bench-keywords 50000 --bench-out /tmp/bench-keywords.tsv
//
// Keywords are words and set phrases (two and four characters) that recur across the works;
// each keyword gets up to --per-keyword excerpts from different works, preferring variety of
// sources. Only characters that GBK can hold are kept, since the client works in GBK.
'use strict';
const fs = require('fs');
const path = require('path');

function parseArgs(argv) {
  const args = { keywords: 3000, perKeyword: 5, out: null, source: null, benchKeywords: 0, benchOut: null };
  for (let i = 2; i < argv.length; i += 2) {
    const [key, value] = [argv[i], argv[i + 1]];
    if (key === '--source') args.source = value;
    else if (key === '--out') args.out = value;
    else if (key === '--keywords') args.keywords = Number(value);
    else if (key === '--per-keyword') args.perKeyword = Number(value);
    else if (key === '--bench-keywords') args.benchKeywords = Number(value);
    else if (key === '--bench-out') args.benchOut = value;
    else throw new Error(`unknown option ${key}`);
  }
  if (!args.source || (!args.out && !args.benchOut)) throw new Error('usage: --source DIR (--out DIR | --bench-keywords N --bench-out FILE)');
  return args;
}

// Every character GBK can encode, found by decoding every double-byte code.
function gbkCharacters() {
  const decoder = new TextDecoder('gbk');
  const set = new Set();
  for (let lead = 0x81; lead <= 0xfe; ++lead)
    for (let trail = 0x40; trail <= 0xfe; ++trail) {
      if (trail === 0x7f) continue;
      const ch = decoder.decode(new Uint8Array([lead, trail]));
      if (ch.length === 1 && ch !== '\ufffd') set.add(ch);
    }
  return set;
}

const read = (source, file) => JSON.parse(fs.readFileSync(path.join(source, file), 'utf8'));

// Works as {title, source, author, lines[]}, in a fixed order.
function loadWorks(source) {
  const works = [];
  const add = (title, from, author, lines) => {
    lines = (lines || []).map((l) => String(l).trim()).filter(Boolean);
    if (title && lines.length) works.push({ title, source: from, author: author || '佚名', lines });
  };
  for (const p of read(source, 'shuimotangshi/shuimotangshi.json')) add(p.title, '唐诗', p.author, p.paragraphs);
  for (const p of read(source, 'shijing/shijing.json')) add(p.title, `诗经·${p.chapter}·${p.section}`, '佚名', p.content);
  for (const p of read(source, 'chuci/chuci.json')) add(p.title, '楚辞', p.author, p.content);
  for (const p of read(source, 'caocaoshiji/caocao.json')) add(p.title, '曹操诗集', '曹操', p.paragraphs);
  for (const p of read(source, 'nalanxingde/纳兰性德诗集.json')) add(p.title, '纳兰性德诗集', p.author, p.para);
  for (const p of read(source, 'lunyu/lunyu.json'))
    p.paragraphs.forEach((para, i) => add(`${p.chapter}·${i + 1}`, '论语', '孔子及其弟子', [para]));
  for (const p of read(source, 'yuanqu/yuanqu.json').slice(0, 1500)) add(p.title, '元曲', p.author, p.paragraphs);
  for (const file of ['songci/ci.song.0.json', 'songci/ci.song.1000.json', 'songci/ci.song.2000.json'])
    for (const p of read(source, file)) add(p.rhythmic, '宋词', p.author, p.paragraphs);
  return works;
}

const isHan = (ch) => /\p{Script=Han}/u.test(ch);
const STOP = new Set('之乎者也兮矣焉哉曰其而以于於乃则所与为是此彼吾汝尔若然'.split(''));

// Sentences of a work: pieces ending with 。！？； or a line end, without surrounding blanks.
function sentences(work) {
  const out = [];
  for (const line of work.lines)
    for (const piece of line.split(/(?<=[。！？；])/u)) {
      const s = piece.trim();
      if (s) out.push(s);
    }
  return out;
}

// Runs of Han characters inside a sentence (phrases never cross punctuation).
const hanRuns = (sentence) => sentence.split(/[^\p{Script=Han}]+/u).filter((r) => r.length >= 2);

function countGrams(works, lengths) {
  const counts = new Map(); // gram -> number of works containing it
  works.forEach((work) => {
    const seen = new Set();
    for (const s of sentences(work))
      for (const run of hanRuns(s))
        for (const n of lengths)
          for (let i = 0; i + n <= run.length; ++i) seen.add(run.slice(i, i + n));
    for (const g of seen) counts.set(g, (counts.get(g) || 0) + 1);
  });
  return counts;
}

const goodGram = (g) => ![...g].some((ch) => STOP.has(ch)) && new Set(g).size > 1;

function rankKeywords(counts, total) {
  const pairs = [...counts].filter(([g, c]) => goodGram(g) && c >= (g.length === 2 ? 3 : 2));
  pairs.sort((a, b) => b[1] - a[1] || (a[0] < b[0] ? -1 : 1));
  // A four-character phrase counts when both its halves are common words themselves, which
  // leaves out fragments that only recur because a line is quoted in several works.
  const common = (half) => (counts.get(half) || 0) >= 5;
  const four = pairs
    .filter(([g, c]) => g.length === 4 && c >= 3 && common(g.slice(0, 2)) && common(g.slice(2)))
    .slice(0, Math.floor(total / 5));
  const two = pairs.filter(([g]) => g.length === 2).slice(0, total - four.length);
  return [...two, ...four].sort((a, b) => b[1] - a[1] || (a[0] < b[0] ? -1 : 1)).map(([g]) => g);
}

// A short form of a sentence around the keyword, at most 40 characters.
function brief(sentence, keyword) {
  const chars = [...sentence];
  if (chars.length <= 40) return sentence;
  const at = [...sentence.slice(0, sentence.indexOf(keyword))].length;
  const start = Math.max(0, Math.min(at - 15, chars.length - 40));
  return (start > 0 ? '…' : '') + chars.slice(start, start + 39).join('') + '…';
}

const tsv = (field) => String(field).replace(/\\/g, '\\\\').replace(/\t/g, '\\t').replace(/\r/g, '\\r').replace(/\n/g, '\\n');

function writeSeed(works, keywords, perKeyword, outDir) {
  // Index sentences by the keywords they contain, visiting works source by source in turn.
  const keywordSet = new Set(keywords);
  const hits = new Map(keywords.map((k) => [k, []]));
  const bySource = new Map();
  works.forEach((w, index) => {
    if (!bySource.has(w.source)) bySource.set(w.source, []);
    bySource.get(w.source).push(index);
  });
  const queues = [...bySource.values()];
  const order = [];
  for (let i = 0; queues.some((q) => i < q.length); ++i) for (const q of queues) if (i < q.length) order.push(q[i]);
  for (const index of order)
    for (const s of sentences(works[index])) {
      const found = new Set();
      for (const run of hanRuns(s))
        for (const n of [2, 4]) for (let i = 0; i + n <= run.length; ++i) if (keywordSet.has(run.slice(i, i + n))) found.add(run.slice(i, i + n));
      for (const k of found) {
        const list = hits.get(k);
        if (list.length < perKeyword && !list.some((h) => h.work === index)) list.push({ work: index, sentence: s });
      }
    }

  const workIds = new Map();
  const keywordRows = ['# id\tkeyword'];
  const corpusRows = ['# id\tkeyword_id\twork_id\tbrief'];
  let corpusId = 0;
  keywords.forEach((k, i) => {
    keywordRows.push(`${i + 1}\t${tsv(k)}`);
    for (const h of hits.get(k)) {
      if (!workIds.has(h.work)) workIds.set(h.work, workIds.size + 1);
      corpusRows.push(`${++corpusId}\t${i + 1}\t${workIds.get(h.work)}\t${tsv(brief(h.sentence, k))}`);
    }
  });
  const workRows = ['# id\ttitle\tsource\tauthor\ttext'];
  for (const [index, id] of [...workIds].sort((a, b) => a[1] - b[1])) {
    const w = works[index];
    workRows.push([id, w.title, w.source, w.author, w.lines.join('\n')].map(tsv).join('\t'));
  }
  fs.writeFileSync(path.join(outDir, 'keywords.tsv'), keywordRows.join('\n') + '\n');
  fs.writeFileSync(path.join(outDir, 'works.tsv'), workRows.join('\n') + '\n');
  fs.writeFileSync(path.join(outDir, 'corpus.tsv'), corpusRows.join('\n') + '\n');
  console.log(`${keywords.length} keywords, ${workIds.size} works, ${corpusId} excerpts -> ${outDir}`);
}

function main() {
  const args = parseArgs(process.argv);
  const gbk = gbkCharacters();
  // Works with a character GBK cannot hold, or very long ones, are left out.
  const seenTexts = new Set();
  const works = loadWorks(args.source).filter((w) => {
    const text = w.title + w.author + w.lines.join('');
    const body = w.lines.join('');
    if (seenTexts.has(body)) return false; // the same text under two titles
    seenTexts.add(body);
    return [...text].every((ch) => gbk.has(ch)) && text.length <= 800;
  });
  if (args.out) {
    const counts = countGrams(works, [2, 4]);
    writeSeed(works, rankKeywords(counts, args.keywords), args.perKeyword, args.out);
  }
  if (args.benchOut) {
    const counts = countGrams(works, [2, 3, 4]);
    const all = [...counts].filter(([g]) => new Set(g).size > 1).sort((a, b) => b[1] - a[1] || (a[0] < b[0] ? -1 : 1));
    const list = all.slice(0, args.benchKeywords).map(([g], i) => `${i + 1}\t${g}`);
    fs.writeFileSync(args.benchOut, '# id\tkeyword\n' + list.join('\n') + '\n');
    console.log(`${list.length} benchmark keywords -> ${args.benchOut}`);
  }
}

main();
