// A re-processing after settlement made through the browser: the settled
// rentals of a processing become the new one, which the register lists.
import { test } from "node:test";
import assert from "node:assert/strict";
import { DATE, ctl, openRegister, openNew, chooseFirst, save, currentRow } from "./session.mjs";

test("a re-processing after settlement appears in the register", async () => {
  const page = await openRegister();
  const screen = "frmReprocessingAfterSettlemt";
  await openNew(page, "optAfterSettlement", screen);
  // A processing with settled rentals: they fill the previous-settlements list.
  const lines = `${ctl(screen, "lvwPreDetails")} tbody tr`;
  const chosen = await chooseFirst(page, screen, "cboPrrocNo", async (p) => (await p.$$(lines)).length > 0);
  assert.ok(chosen, "a processing with settled rentals");
  assert.equal(await page.inputValue(ctl(screen, "txtBalancetoPay")), "0");
  await save(page, screen, "cmdOk");

  const current = await currentRow(page);
  assert.notEqual(current.cells[1], chosen);
  assert.deepEqual([current.cells[2], current.cells[6]], [DATE, "No"]);
});
