// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The first contentful paint of pages in a normal (not screenshot) load, from
// the browser's own paint timing: node paint.mjs BROWSER PAGE... prints one
// line per page, its milliseconds. Needs playwright-core (./dev bench installs
// it next to the benchmark); the browser is the system's own.
import { chromium } from 'playwright-core';

const [browserPath, ...pages] = process.argv.slice(2);
const browser = await chromium.launch({ executablePath: browserPath, args: ['--no-sandbox'] });
try {
  for (const page of pages) {
    const context = await browser.newContext({ viewport: { width: 1280, height: 800 } });
    const tab = await context.newPage();
    await tab.goto('file://' + page, { waitUntil: 'commit', timeout: 300000 });
    const ms = await tab.evaluate(() => new Promise((resolve) => {
      const seen = performance.getEntriesByName('first-contentful-paint');
      if (seen.length) return resolve(seen[0].startTime);
      new PerformanceObserver((list) => {
        for (const entry of list.getEntries())
          if (entry.name === 'first-contentful-paint') resolve(entry.startTime);
      }).observe({ type: 'paint', buffered: true });
    }));
    console.log(ms.toFixed(1));
    await context.close();
  }
} finally {
  await browser.close();
}
