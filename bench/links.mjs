// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Whether a page in blocks is, to a person, the page of plain link lines:
// node links.mjs BROWSER PAGE LINKS DIR prints "found FOUND links SAME":
// whether find-in-page finds the last entry at once, and whether the links
// (target and text, in order) are the same once the page has made them all;
// and leaves in DIR five screens of each, scrolled alike (screen-N-0.png the
// plain lines', screen-N-1.png the page's). Needs playwright-core, as
// paint.mjs.
import { chromium } from 'playwright-core';

const [browserPath, page, links, dir] = process.argv.slice(2);
const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
try {
  const open = async (file) => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const tab = await context.newPage();
    await tab.goto('file://' + file, { waitUntil: 'load', timeout: 600000 });
    return tab;
  };
  const plain = await open(links);
  const tab = await open(page);
  const last = await plain.evaluate(() => { const a = document.links; return a[a.length - 1].textContent; });
  const found = await tab.evaluate((text) => window.find(text), last);
  await tab.evaluate(() => { window.getSelection().removeAllRanges(); window.scrollTo(0, 0); });
  // Every block made links (the page does the rest while idle).
  await tab.waitForFunction(() => !Array.from(document.querySelectorAll('pre'))
    .some((b) => b.firstChild && b.firstChild.nodeType === 8), null, { timeout: 600000, polling: 500 });
  const digest = (t) => t.evaluate(() => {
    let h = 2166136261;
    for (const a of document.links) {
      const s = a.getAttribute('href') + '\t' + a.textContent + '\n';
      for (let i = 0; i < s.length; ++i) h = Math.imul(h ^ s.charCodeAt(i), 16777619);
    }
    return document.links.length + ':' + (h >>> 0);
  });
  const same = (await digest(tab)) === (await digest(plain));
  const height = await plain.evaluate(() => document.documentElement.scrollHeight);
  const parts = [0, 0.1, 0.37, 0.5, 0.93];
  for (let n = 0; n < parts.length; ++n) {
    for (const [i, t] of [plain, tab].entries()) {
      await t.evaluate((y) => window.scrollTo(0, y), Math.floor(height * parts[n]));
      await t.waitForTimeout(200);
      await t.screenshot({ path: `${dir}/screen-${n}-${i}.png` });
    }
  }
  console.log(`found ${found} links ${same ? 'same' : 'DIFFER'}`);
} finally {
  await browser.close();
}
