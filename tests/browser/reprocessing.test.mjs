// A re-processing made through the browser in automatic mode: the old
// processing is then marked amended and the new one is listed.
import { test } from "node:test";
import assert from "node:assert/strict";
import {
  ctl, win, settle, press, type, openRegister, openNew, chooseFirst, dismissMessage, gridRows, save, currentRow, search,
} from "./session.mjs";

test("re-processing in automatic mode amends the old processing and lists the new one", async () => {
  const page = await openRegister();
  const screen = "frmReprocessing";
  await openNew(page, "optReProcessing", screen);
  await press(page, `${ctl(screen, "optAuto")} input`);
  // A processing that loads with rentals to re-schedule.
  const chosen = await chooseFirst(page, screen, "cboPrrocNo",
    async (p) => (await p.inputValue(ctl(screen, "txtNoRetals"))) !== "");
  assert.ok(chosen, "a processing with rentals left to re-process");

  // The loaded lines fill the list, so Re-Process asks before replacing them.
  await press(page, ctl(screen, "cmdReProcess"));
  assert.match(await dismissMessage(page), /^Processed Data will be Cleared/);
  const reprocessed = await dismissMessage(page);
  assert.equal(reprocessed, null, `the re-process raised no message: ${reprocessed}`);
  const lines = `${ctl(screen, "lvwReProcessing")} tbody tr`;
  await page.waitForSelector(lines);
  const count = (await page.$$(lines)).length;

  // Every line needs its cheque: the editor walks from line 1 to the last.
  await page.dblclick(`${lines}:nth-child(1)`);
  await settle(page);
  const dialog = "frmReProcessingPopUp";
  for (let i = 1; i <= count; i++) {
    await page.waitForSelector(win(dialog));
    await type(page, `${ctl(dialog, "cboBankName")} input`, "Bank of Ceylon", 2);
    await type(page, ctl(dialog, "txtchequeno"), `R${i}`, 2);
    await press(page, ctl(dialog, "cmdOk"));
    const refused = await dismissMessage(page);
    assert.equal(refused, null, `line ${i} accepted: ${refused}`);
  }
  await page.waitForSelector(win(dialog), { state: "detached" });
  await save(page, screen, "cmdOk");

  const current = await currentRow(page);
  assert.notEqual(current.cells[1], chosen);
  assert.equal(current.cells[5], "No");

  // The old processing shows amended in a fresh register.
  const fresh = await openRegister();
  await search(fresh, "Processing No", chosen);
  const found = (await gridRows(fresh)).filter((r) => r.selected && r.cells[1] === chosen);
  assert.equal(found.length, 1, `row ${chosen} found`);
  assert.equal(found[0].cells[5], "Yes", "the old processing is amended");
});
