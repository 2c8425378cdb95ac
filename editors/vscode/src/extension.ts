// Starts `sheetcalc --lsp` for calculation sheets (*.sheet): results as inlay hints, errors as
// diagnostics, completion, hover and the action that writes the results into the text.
import * as vscode from 'vscode';
import { LanguageClient, LanguageClientOptions, ServerOptions } from 'vscode-languageclient/node';

let client: LanguageClient | undefined;

export async function activate(context: vscode.ExtensionContext): Promise<void> {
  const command = vscode.workspace.getConfiguration('sheetcalc').get<string>('path') || 'sheetcalc';
  const serverOptions: ServerOptions = { command, args: ['--lsp'] };
  const clientOptions: LanguageClientOptions = {
    documentSelector: [{ language: 'sheetcalc' }],
  };
  client = new LanguageClient('sheetcalc', 'sheetcalc', serverOptions, clientOptions);
  context.subscriptions.push(client);
  await client.start();
}

export async function deactivate(): Promise<void> {
  await client?.stop();
}
