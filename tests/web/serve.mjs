// What the page tests share: the built page (out/web) served on loopback by
// python3's http.server on a free port.

import {spawn} from 'node:child_process';
import path from 'node:path';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');

export async function serve() {
  const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '0',
                                   '--directory', path.join(root, 'out/web')],
                       {stdio: ['ignore', 'pipe', 'ignore']});
  const port = await new Promise((resolve, reject) => {
    server.stdout.on('data', (data) => {
      const found = /port (\d+)/.exec(String(data));
      if (found) resolve(found[1]);
    });
    server.on('exit', () => reject(new Error('the http server ended')));
  });
  return {server, url: `http://127.0.0.1:${port}/index.html`};
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
