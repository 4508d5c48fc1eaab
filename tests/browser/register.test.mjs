// The register in a real browser, against `hp serve` on a demo database
// (started by run.sh, which passes the address and the users in the
// environment).
import { test } from "node:test";
import assert from "node:assert/strict";
import { URL_, ctl, settle, newPage, signIn, openRegister } from "./session.mjs";

const register = '.win[data-window="FrmMaster"]';
const control = (name) => ctl("FrmMaster", name);

// The grid rows drawn now: {row, cells (texts, column 0 the hidden id), colours}.
async function gridRows(page) {
  return page.$$eval(`${control("flexMaster")} .gbody .grow`, (rows) =>
    rows
      .map((r) => ({
        row: Number(r.dataset.row),
        selected: r.classList.contains("sel"),
        cells: [...r.children].map((c) => c.textContent),
        colours: [...r.children].map((c) => getComputedStyle(c).color),
      }))
      .sort((a, b) => a.row - b.row));
}

async function headings(page) {
  return page.$$eval(`${control("flexMaster")} .ghead .gcell`, (cells) => cells.map((c) => c.textContent));
}

async function chooseOption(page, name, label) {
  await page.selectOption(`${control(name)}`, { label });
  await settle(page);
}

function assertSorted(values, descending, what) {
  for (let i = 1; i < values.length; i++) {
    const ok = descending ? values[i - 1] >= values[i] : values[i - 1] <= values[i];
    assert.ok(ok, `${what}: "${values[i - 1]}" then "${values[i]}"`);
  }
}

test("the register lists the demo processings", async () => {
  const { page } = await openRegister();
  assert.equal(await page.textContent(`${register} .titlebar .caption`), "Hire Purchase Processing");
  const heads = await headings(page);
  for (const h of ["Processing No", "Customer", "Cancelled"]) assert.ok(heads.some((x) => x === h), `heading ${h} in ${heads}`);
  const rows = await gridRows(page);
  assert.ok(rows.length >= 20, `rows drawn: ${rows.length}`);
  for (const r of rows) {
    assert.match(r.cells[0], /^\d+$/, "column 0 holds the identifier");
    assert.match(r.cells[1], /\S/, "a processing number");
    assert.match(r.cells[2], /^\d{4}-\d\d-\d\d$/);
    assert.ok(["Yes", "No"].includes(r.cells[6]));
  }
  // The whole register is there, though only the rows in view are sent.
  const height = await page.$eval(`${control("flexMaster")} .gbody > div`, (d) => d.offsetHeight);
  assert.ok(height / 20 > rows.length, `${height / 20} rows in all`);
  // Scrolling to the top fetches the first rows.
  await page.$eval(`${control("flexMaster")} .gbody`, (b) => { b.scrollTop = 0; });
  await page.waitForFunction((sel) => document.querySelector(`${sel} .gbody .grow[data-row="1"]`), control("flexMaster"));
  await settle(page);
  assert.ok((await gridRows(page)).some((r) => r.row === 1));
  if (process.env.HP_SCREENSHOT) {
    await page.$eval(`${control("flexMaster")} .gbody`, (b) => { b.scrollTop = 0; });
    await settle(page);
    await page.screenshot({ path: process.env.HP_SCREENSHOT });
  }
});

test("sorting orders the rows by the chosen column", async () => {
  const { page } = await openRegister();
  await chooseOption(page, "cboColNames", "Customer");
  const up = (await gridRows(page)).map((r) => r.cells[3]);
  assertSorted(up, false, "ascending customers");
  await page.click(`${control("optDescend")} input`);
  await settle(page);
  assert.equal(await page.$eval(`${control("cboColNames")}`, (s) => s.selectedIndex), -1, "the choice is cleared");
  await chooseOption(page, "cboColNames", "Customer");
  const down = (await gridRows(page)).map((r) => r.cells[3]);
  assertSorted(down, true, "descending customers");
  assert.notDeepEqual(up, down);
});

test("searching selects the first row that begins with the text", async () => {
  const { page } = await openRegister();
  await chooseOption(page, "cboSearch", "Customer");
  const rows = await gridRows(page);
  const wanted = rows[Math.floor(rows.length / 2)].cells[3].slice(0, 3);
  await page.click(control("txtsearch"));
  await page.keyboard.type(wanted, { delay: 20 });
  await settle(page);
  assert.equal(await page.inputValue(control("txtsearch")), wanted);
  const selected = (await gridRows(page)).filter((r) => r.selected);
  assert.equal(selected.length, 1);
  assert.equal(selected[0].cells[3].slice(0, 3).toUpperCase(), wanted.toUpperCase());
  // It is the first such row in customer order and it is in view.
  const before = (await gridRows(page)).filter((r) => r.row < selected[0].row).map((r) => r.cells[3].toUpperCase());
  assert.ok(before.every((c) => c.slice(0, 3) < wanted.toUpperCase()), "no earlier row matches");
  const visible = await page.$eval(`${control("flexMaster")} .grow.sel`, (r) => {
    const body = r.closest(".gbody").getBoundingClientRect();
    const box = r.getBoundingClientRect();
    return box.top >= body.top - 1 && box.bottom <= body.bottom + 1;
  });
  assert.ok(visible, "the found row is scrolled into view");
});

test("cancelling a processing with a reason turns its row red", async () => {
  const { page } = await openRegister();
  const candidates = (await gridRows(page)).filter((r) => r.cells[6] === "No" && r.cells[5] === "No").reverse();
  let cancelled = null;
  for (const row of candidates) {
    await page.click(`${control("flexMaster")} .grow[data-row="${row.row}"] .gcell[data-col="1"]`);
    await settle(page);
    if (await page.isDisabled(control("CmdDelete"))) continue;
    await page.click(control("CmdDelete"));
    await settle(page);
    const prompt = await page.textContent('.win.msgbox .prompt');
    if (!prompt.startsWith("Are You Sure")) {
      // Settled or posted: the register says why it cannot cancel it.
      await page.click('.win.msgbox button[data-button="OK"]');
      await settle(page);
      continue;
    }
    assert.equal(prompt, `Are You Sure Want To Delete The Entry - '${row.cells[1]}'?`);
    assert.ok(await page.$eval('.win.msgbox button[data-button="No"]', (b) => document.activeElement === b),
      "No is the default");
    await page.click('.win.msgbox button[data-button="Yes"]');
    await settle(page);
    await page.waitForSelector('.win[data-window="frmcancel"]');
    assert.ok(await page.isDisabled('.win[data-window="frmcancel"] [data-control="cmdok"]'), "OK waits for a reason");
    await page.click('.win[data-window="frmcancel"] [data-control="txtcanreason"]');
    await page.keyboard.type("Customer's returned the vehicle", { delay: 10 });
    await settle(page);
    assert.equal(await page.inputValue('.win[data-window="frmcancel"] [data-control="txtcanreason"]'),
      "Customers returned the vehicle", "the apostrophe is refused by the window");
    // While the reason dialog is open the register takes nothing.
    assert.equal(await page.$eval(register, (w) => w.classList.contains("inactive")), true);
    await page.click('.win[data-window="frmcancel"] [data-control="cmdok"]');
    await settle(page);
    cancelled = row;
    break;
  }
  assert.ok(cancelled, "a processing that could be cancelled");
  await page.waitForSelector('.win[data-window="frmcancel"]', { state: "detached" });
  const after = (await gridRows(page)).find((r) => r.cells[0] === cancelled.cells[0]);
  assert.equal(after.cells[6], "Yes");
  for (const colour of after.colours.slice(1)) assert.equal(colour, "rgb(255, 0, 0)");
  assert.ok(await page.isDisabled(control("CmdDelete")), "a cancelled row cannot be cancelled again");

  // It stays cancelled: a new session shows it red as well.
  const { page: again } = await openRegister();
  const seen = (await gridRows(again)).find((r) => r.cells[0] === cancelled.cells[0]);
  assert.ok(seen, "the row is drawn in the new session too");
  assert.equal(seen.cells[6], "Yes");
});

test("a wrong password is refused", async () => {
  const page = await newPage();
  await signIn(page, "demo", "not-the-password");
  await page.waitForFunction(() => document.querySelector("#signin-error").textContent !== "");
  assert.equal(await page.textContent("#signin-error"), "The user name or password is wrong.");
  assert.equal(await page.isVisible("#choose"), false);
  const cookies = await page.context().cookies();
  assert.equal(cookies.filter((c) => c.name === "hp_session").length, 0);
});

test("requests without a session cookie are refused", async () => {
  for (const [method, route] of [["GET", "/api/state"], ["POST", "/api/event"], ["POST", "/api/open"], ["GET", "/api/document/1"]]) {
    const r = await fetch(new URL(route, URL_), {
      method,
      headers: { "Content-Type": "application/json" },
      body: method === "POST" ? JSON.stringify({ window: "FrmMaster", control: "CmdDelete", type: "click" }) : undefined,
    });
    assert.equal(r.status, 401, `${method} ${route}`);
  }
  assert.equal((await fetch(URL_)).status, 200, "the page itself is public");
  // The cookie is out of reach of the page's scripts.
  const { page } = await openRegister();
  assert.equal(await page.evaluate(() => document.cookie), "");
  const cookie = (await page.context().cookies()).find((c) => c.name === "hp_session");
  assert.equal(cookie.httpOnly, true);
  assert.equal(cookie.sameSite, "Strict");
});

test("a crafted Delete from a user without the D right is refused and changes nothing", async () => {
  const { page } = await openRegister("nodelete");
  assert.ok(await page.isDisabled(control("CmdDelete")), "Delete is disabled for this user");
  // The page's own token, as a script on the page would have it.
  await page.reload();
  await page.waitForSelector(`${control("flexMaster")} .gbody .grow`);
  await settle(page);
  const result = await page.evaluate(async () => {
    const token = document.querySelector('meta[name="csrf-token"]').content;
    const headers = { "Content-Type": "application/json", "X-CSRF-Token": token };
    const state = async () => (await (await fetch("/api/state", { headers })).json()).state;
    const before = await state();
    const grid = before.windows[0].controls.find((c) => c.name === "flexMaster");
    const r = await fetch("/api/event", {
      method: "POST", headers,
      body: JSON.stringify({ window: "FrmMaster", control: "CmdDelete", type: "click" }),
    });
    const answer = await r.json();
    const afterState = await state();
    return { status: r.status, error: answer.error, before, after: afterState, row: grid.row };
  });
  assert.equal(result.status, 409);
  assert.match(result.error, /disabled/);
  assert.deepEqual(result.after, result.before);
  assert.equal(result.after.windows.length, 1, "no question was asked");
});
