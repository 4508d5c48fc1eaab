-- wrk script for the server benchmarks: each wrk thread is one signed-in user
-- (run wrk with as many threads as connections), so that a user's requests
-- follow one another as a browser's do.
--
--   HP_WRK_MODE=state wrk -t50 -c50 -d20s -s bench/web.lua http://127.0.0.1:PORT
--
-- bare    GET /favicon.ico: the server's answer that does nothing (no body,
--         no session), the cost of a request on loopback that no route can
--         avoid. Needs no sessions.
-- state   GET /api/state: the register as the page draws it.
-- event   POST /api/event: Process Interest on the processing screen. The
--         screen already holds a schedule, so the click asks "Processed Data
--         will be Cleared . Do you want to continue?" and the next request
--         answers Yes, which lays the schedule out again. The two alternate.
--
-- Environment: HP_WRK_MODE is bare, state or event; HP_WRK_SESSIONS names
-- a file of "cookie csrf" lines, one per user (at least as many as threads);
-- HP_WRK_SAMPLES names the file that done() writes, one "kind status
-- microseconds" line per request. Any status but 200 is an error; so is a
-- 200 telling that the session has ended (written as status 0).

local mode = os.getenv("HP_WRK_MODE") or "state"
if mode ~= "bare" and mode ~= "state" and mode ~= "event" then
  error("HP_WRK_MODE must be bare, state or event, not " .. mode)
end

local ffi = require("ffi")
ffi.cdef [[
  typedef struct { long tv_sec; long tv_nsec; } hp_timespec;
  int clock_gettime(int clock, hp_timespec *ts);
]]
local CLOCK_MONOTONIC = 1
local ts = ffi.new("hp_timespec")
local function now_us()
  ffi.C.clock_gettime(CLOCK_MONOTONIC, ts)
  return tonumber(ts.tv_sec) * 1e6 + tonumber(ts.tv_nsec) / 1e3
end

-- Main state: hands each thread its user.
local threads = {}
local sessions = nil

function setup(thread)
  threads[#threads + 1] = thread
  if mode == "bare" then return end
  local path = os.getenv("HP_WRK_SESSIONS")
  if not sessions then
    sessions = {}
    if not path then error("HP_WRK_SESSIONS names no file of sessions") end
    for line in io.lines(path) do
      local cookie, csrf = line:match("^(%S+)%s+(%S+)$")
      if cookie then sessions[#sessions + 1] = { cookie = cookie, csrf = csrf } end
    end
  end
  local n = #threads
  local s = sessions[n]
  if not s then error("fewer users in " .. path .. " than wrk threads") end
  thread:set("cookie", s.cookie)
  thread:set("csrf", s.csrf)
end

-- Thread states. The kind of the next request follows the answers received,
-- not the requests made: wrk calls request() once more than it sends, on the
-- first thread, to check the script, and a request lost to a reconnection
-- gets no answer.
local started = 0
local answered = 0
local kind = nil
samples = {}  -- read by done() through thread:get

local bodies = {
  click = '{"window":"frmProcessing","control":"cmdProcess","type":"click"}',
  yes = '{"window":"$msgbox","control":"Yes","type":"click"}',
}

function request()
  local r
  if mode == "bare" then
    kind = "bare"
    r = wrk.format("GET", "/favicon.ico")
    started = now_us()
    return r
  end
  local headers = { ["Cookie"] = "hp_session=" .. cookie }
  if mode == "state" then
    kind = "state"
    r = wrk.format("GET", "/api/state", headers)
  else
    kind = (answered % 2 == 0) and "click" or "yes"
    headers["Content-Type"] = "application/json"
    headers["X-CSRF-Token"] = csrf
    r = wrk.format("POST", "/api/event", headers, bodies[kind])
  end
  started = now_us()
  return r
end

function response(status, headers, body)
  local us = now_us() - started
  if status == 200 and kind ~= "bare" and body:sub(1, 14) == '{"ended":true}' then status = 0 end
  samples[#samples + 1] = string.format("%s %d %.0f", kind, status, us)
  answered = answered + 1
end

function done(summary, latency, requests)
  local path = os.getenv("HP_WRK_SAMPLES")
  if not path then return end
  local out = assert(io.open(path, "w"))
  for _, thread in ipairs(threads) do
    local lines = thread:get("samples")
    for _, line in ipairs(lines) do out:write(line, "\n") end
  end
  out:close()
end
