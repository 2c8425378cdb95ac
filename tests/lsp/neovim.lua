-- Run by neovim.sh: starts the server for the buffer, waits for its diagnostics and writes "ok"
-- (or what it saw instead) to $RESULT, then quits.
local result = io.open(os.getenv('RESULT'), 'w')
local function finish(text)
  result:write(text)
  result:close()
  vim.cmd('qa!')
end

local client = vim.lsp.start_client({
  name = 'sheetcalc',
  cmd = { os.getenv('SHEETCALC'), '--lsp' },
  root_dir = vim.fn.getcwd(),
})
if not client then finish('the server did not start') end
vim.lsp.buf_attach_client(0, client)

local seen = vim.wait(20000, function() return #vim.diagnostic.get(0) > 0 end, 50)
local diagnostics = vim.diagnostic.get(0)
if not seen then finish('no diagnostic within 20 s') end
local d = diagnostics[1]
if #diagnostics == 1 and d.lnum == 3 and d.severity == vim.diagnostic.severity.ERROR then
  finish('ok')
else
  finish('unexpected diagnostics: ' .. vim.inspect(diagnostics))
end
