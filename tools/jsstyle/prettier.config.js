// The layout of the page's and its tests' JavaScript: the project's 100 columns.
export default {
  printWidth: 100,
  singleQuote: true,
};
