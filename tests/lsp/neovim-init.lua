-- Run by neovim.sh as the whole configuration: the README's lines for neovim 0.7 (the program
-- from $SHEETCALC), then a wait for the diagnostics of the file given, "ok" to $RESULT.
vim.g.do_filetype_lua = 1
vim.filetype.add({ extension = { sheet = 'sheetcalc' } })
local sheetcalc
vim.api.nvim_create_autocmd('FileType', {
  pattern = 'sheetcalc',
  callback = function(args)
    if not (sheetcalc and vim.lsp.get_client_by_id(sheetcalc)) then
      sheetcalc = vim.lsp.start_client({ name = 'sheetcalc', cmd = { os.getenv('SHEETCALC'), '--lsp' },
                                         root_dir = vim.fn.fnamemodify(args.file, ':p:h') })
    end
    if sheetcalc then vim.lsp.buf_attach_client(args.buf, sheetcalc) end
  end,
})

vim.api.nvim_create_autocmd('VimEnter', {
  callback = function()
    local seen = vim.wait(20000, function() return #vim.diagnostic.get(0) > 0 end, 50)
    local result = io.open(os.getenv('RESULT'), 'w')
    result:write(seen and 'ok' or ('no diagnostic; filetype ' .. vim.bo.filetype))
    result:close()
    vim.cmd('qa!')
  end,
})
