// The linter's rules for the page's JavaScript (src/platform/web/page) and its tests'
// (tests/web): eslint's recommended set, with each file's globals (a browser page, a service
// worker, or Node.js).
import js from '@eslint/js';
import globals from 'globals';

export default [
  js.configs.recommended,
  {
    files: ['src/platform/web/page/**/*.js'],
    languageOptions: {
      sourceType: 'module',
      globals: { ...globals.browser, createQuorvane: 'readonly' },
    },
  },
  {
    files: ['src/platform/web/page/offline.js'],
    languageOptions: { sourceType: 'script' },
  },
  {
    files: ['src/platform/web/page/sw.js'],
    languageOptions: {
      sourceType: 'script',
      globals: { ...globals.serviceworker, kBuild: 'readonly' },
    },
  },
  {
    files: ['tests/web/**/*.mjs'],
    languageOptions: {
      sourceType: 'module',
      // page.evaluate's functions run in the page, beside the program's createQuorvane.
      globals: { ...globals.node, ...globals.browser, createQuorvane: 'readonly' },
    },
  },
  {
    files: ['tests/web/watch.js'],
    languageOptions: { sourceType: 'script', globals: globals.browser },
  },
  { ignores: ['**/node_modules/**'] },
];
