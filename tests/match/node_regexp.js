'use strict';
// Runs a list of cases through ECMAScript's RegExp for the differential test.
// Input: a JSON array of {p: pattern, s: subject, f: flags ("i", "m", "g")}.
// Output, per case: "E" when the pattern is a syntax error, otherwise one line per
// match, "M index end g1start g1end ...", with -1 -1 for a group that took no part,
// then "END". Global runs advance one unit past an empty match.
const fs = require('fs');

const [inputPath, outputPath] = process.argv.slice(2);
const cases = JSON.parse(fs.readFileSync(inputPath, 'utf8'));
const lines = [];
for (const c of cases) {
  let re;
  try {
    re = new RegExp(c.p, c.f + 'd');
  } catch (e) {
    lines.push('E');
    continue;
  }
  const global = c.f.includes('g');
  for (;;) {
    const m = re.exec(c.s);
    if (m === null) break;
    const fields = ['M', m.index, m.index + m[0].length];
    for (let k = 1; k < m.length; ++k) {
      const span = m.indices[k];
      fields.push(span === undefined ? -1 : span[0], span === undefined ? -1 : span[1]);
    }
    lines.push(fields.join(' '));
    if (!global) break;
    if (m[0].length === 0) re.lastIndex = m.index + 1;
  }
  lines.push('END');
}
fs.writeFileSync(outputPath, lines.join('\n') + '\n');
