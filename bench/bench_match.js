'use strict';
// The Node.js peer of bench_match: runs each workload through ECMAScript's RegExp
// (flags "gi", as the window's default options), reading every match and group, and
// prints "index count groups best_ms" per workload.
// Arguments: the page (UTF-8 file), a JSON array of patterns, the number of rounds.
const fs = require('fs');

const [pagePath, patternsPath, roundsText] = process.argv.slice(2);
const page = fs.readFileSync(pagePath, 'utf8');
const patterns = JSON.parse(fs.readFileSync(patternsPath, 'utf8'));
const rounds = Number(roundsText);

patterns.forEach((pattern, index) => {
  let best = Infinity;
  let count = 0;
  let groups = 0;
  let sink = 0;
  for (let r = 0; r < rounds; ++r) {
    const start = process.hrtime.bigint();
    const re = new RegExp(pattern, 'gi');
    count = 0;
    let m;
    while ((m = re.exec(page)) !== null) {
      ++count;
      groups = m.length - 1;
      sink += m[0].length;
      for (let k = 1; k < m.length; ++k) sink += (m[k] === undefined ? '' : m[k]).length;
      if (m[0].length === 0) re.lastIndex = m.index + 1;
    }
    const ms = Number(process.hrtime.bigint() - start) / 1e6;
    best = Math.min(best, ms);
  }
  if (sink < 0) console.error(sink);
  console.log(`${index} ${count} ${groups} ${best.toFixed(3)}`);
});
