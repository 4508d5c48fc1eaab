// Time to first paint of the register in Chromium: from the click on Open
// (after signing in) to the first grid row drawn, over a register of many
// processings; and how much of the register the browser had to receive for
// it. Run by bench/run.sh, which starts the server:
//   HP_URL=... HP_USER=demo HP_PASSWORD=... HP_DATE=2024-03-15 node bench/first_paint.mjs OUT.json
import fs from "node:fs";
import { createRequire } from "node:module";

// playwright-core is installed for the browser tests.
const require = createRequire(new URL("../tests/browser/package.json", import.meta.url));
const { chromium } = require("playwright-core");

const RUNS = Number(process.env.HP_PAINT_RUNS || 5);
const grid = '.win[data-window="FrmMaster"] [data-control="flexMaster"]';

const browser = await chromium.launch({
  executablePath: process.env.HP_CHROMIUM || "/usr/bin/chromium",
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking"],
});
const runs = [];
try {
  for (let i = 0; i < RUNS; i++) {
    const context = await browser.newContext({ viewport: { width: 1366, height: 768 } });
    const page = await context.newPage();
    await page.goto(process.env.HP_URL);
    await page.fill("#signin-user", process.env.HP_USER);
    await page.fill("#signin-password", process.env.HP_PASSWORD);
    await page.click("#signin-submit");
    await page.waitForSelector("#choose:not([hidden])");
    await page.fill("#choose-date", process.env.HP_DATE);
    const answer = page.waitForResponse((r) => r.url().endsWith("/api/open"), { timeout: 120000 });
    const started = Date.now();
    await page.click("#choose-open");
    await page.waitForSelector(`${grid} .gbody .grow`, { timeout: 120000 });
    const ms = Date.now() - started;
    const body = await (await answer).body();
    const state = JSON.parse(body.toString("utf8")).state;
    const control = state.windows.at(-1).controls.find((c) => c.name === "flexMaster");
    runs.push({ ms, bytes: body.length, rows: control.rows - control.fixedRows,
                rows_sent: Object.keys(control.cells).length - control.fixedRows,
                rows_drawn: (await page.$$(`${grid} .gbody .grow`)).length });
    await context.close();
  }
} finally {
  await browser.close();
}
const sorted = runs.map((r) => r.ms).sort((a, b) => a - b);
fs.writeFileSync(process.argv[2], JSON.stringify({ median_ms: sorted[Math.floor(sorted.length / 2)], runs }, null, 1));
