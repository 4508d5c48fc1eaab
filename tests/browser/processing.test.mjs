// A new processing made through the browser: New, Processing, a customer and
// one of their open invoices, Process Interest, a cheque confirmed in the
// cheque dialog, OK; the register then lists the new processing.
import { test } from "node:test";
import assert from "node:assert/strict";
import { DATE, ctl, win, settle, press, openRegister, openNew, chooseFirst, save, currentRow } from "./session.mjs";

test("a processing made in the browser appears in the register", async () => {
  const page = await openRegister();
  const screen = "frmProcessing";
  await openNew(page, null, screen);
  const invoice = await chooseFirst(page, screen, "cboInvoice", (p) => p.isEnabled(ctl(screen, "cmdProcess")));
  assert.ok(invoice, "an open invoice with a cheque register");

  await press(page, ctl(screen, "cmdProcess"));
  const lines = `${ctl(screen, "lvwProcessing")} tbody tr`;
  await page.waitForSelector(lines);
  const count = (await page.$$(lines)).length;
  assert.match(await page.inputValue(ctl(screen, "txtMonthlyRate")), /^\d+\.\d\d$/);

  // The last line's cheque, confirmed in the dialog, which then closes.
  await page.dblclick(`${lines}:nth-child(${count})`);
  await settle(page);
  await page.waitForSelector(win("frmPopUp"));
  await press(page, ctl("frmPopUp", "cmdOK"));
  await page.waitForSelector(win("frmPopUp"), { state: "detached" });
  await save(page, screen, "cmdOK");

  const current = await currentRow(page);
  assert.match(current.cells[1], /\S/, "a processing number");
  assert.deepEqual([current.cells[2], current.cells[6]], [DATE, "No"]);
});
